// The windows that look at data: working storage in the viewer.
#include "AppFixture.h"

#include "DataView.h"
#include "DataViewer.h"
#include "WorkingStorageWnd.h"

#include <QAction>
#include <QLineEdit>
#include <QTest>
#include <QTextBlock>

namespace {

template <class TWindow>
TWindow* ChildWindow(const QObject* owner)
{
    for (QObject* child : owner->children()) {
        if (auto* window = dynamic_cast<TWindow*>(child))
            return window;
    }
    return nullptr;
}

QStringList RowTexts(const CDataView* view)
{
    QStringList rows;
    for (QTextBlock block = view->document()->begin(); block.isValid(); block = block.next())
        rows << block.text();
    return rows;
}

}  // namespace

using DataWindowTest = AppTest;

TEST_F(DataWindowTest, ViewDataShowsWorkingStorageAndSaysWhenSearchedTextIsMissing)
{
    WriteDataFile("tuning.txt", kFileLines);
    ASSERT_TRUE(Start({"tuning.txt"}));

    frame->MenuAction(ID_FILE_VIEW_DATA)->trigger();

    auto* window = ChildWindow<CWorkingStorageWnd>(frame);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Working storage - tuning.txt");
    CDataViewer* viewer = window->Viewer();
    // The loaded data end with the empty line the load adds.
    EXPECT_EQ(RowTexts(viewer->View()), (QStringList{"MY INSTRUMENT", "A4 441.0 Hz", "DATA END________", ""}));
    viewer->OnFind();
    auto* findText = viewer->findChild<QLineEdit*>();
    ASSERT_NE(findText, nullptr);
    ASSERT_TRUE(findText->isVisible());
    QTest::keyClicks(findText, "441");
    QTest::keyClick(findText, Qt::Key_Return);
    EXPECT_EQ(viewer->View()->textCursor().blockNumber(), 1);
    EXPECT_EQ(viewer->FindResult(), "");
    QTest::keyClicks(findText, "5");
    QTest::keyClick(findText, Qt::Key_Return);
    EXPECT_EQ(viewer->FindResult(), "Not found");
    EXPECT_EQ(viewer->View()->textCursor().selectedText(), "441") << "the place found stays";
}
