// The windows beside the main window as users with other needs meet them: colours readable in
// light and dark themes, differing rows marked by a sign too, Escape closing each window, the
// find keys from the history list, windows within the screen and list columns that fit.
#include "AppFixture.h"

#include "CaptureHistory.h"
#include "CaptureHistoryWnd.h"
#include "CompareWnd.h"
#include "Contrast.h"
#include "DataView.h"
#include "DataViewer.h"
#include "WorkingStorageWnd.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTreeWidget>

#include <functional>

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

// Puts back what a test changed for the whole application, however the test ends.
struct Restore {
    std::function<void()> undo;
    ~Restore() { undo(); }
};

}  // namespace

class SideWindowTest : public AppTest {
protected:
    // Two captures that differ by a changed line, a removed and an added one.
    void WriteTwoCaptures() const
    {
        QDir().mkpath(CCaptureHistory::DefaultFolder());
        const auto write = [](const char* name, const std::vector<std::string>& lines) {
            WriteWholeFile((CCaptureHistory::DefaultFolder() + "/" + name).toStdString(), AsFileText(lines));
        };
        write("2026-12-09_11-00-00_DD.txt", {"A4 440.0", "C4 -2.3", "D4 -1.0", "F4 +0.7", "END________"});
        write("2026-12-09_10-00-00_DD.txt", {"A4 440.0", "C4 -2.1", "C#4 -1.8", "D4 -1.0", "END________"});
    }

    CCaptureHistoryWnd* ShowHistory()
    {
        frame->MenuAction(ID_FILE_CAPTURE_HISTORY)->trigger();
        return ChildWindow<CCaptureHistoryWnd>(frame);
    }

    CCompareWnd* ShowComparison()
    {
        CCaptureHistoryWnd* history = ShowHistory();
        history->List()->selectAll();
        history->OnCompare();
        return ChildWindow<CCompareWnd>(history);
    }

    QWidget* ShowHelp()
    {
        frame->MenuAction(ID_HELP_FINDER)->trigger();
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w != frame && w->isVisible() && w->findChild<QTextBrowser*>())
                return w;
        }
        return nullptr;
    }
};

class ThemeTest : public SideWindowTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ThemeTest, MarkedRowsAndNotFoundReadWellAndDifferingLinesCarryASign)
{
    const Restore palette{[before = QApplication::palette()] { QApplication::setPalette(before); }};
    // A dark palette: white text on black, the windows grey.
    const QPalette theme = GetParam() ? QPalette(QColor(0x35, 0x35, 0x35)) : QApplication::style()->standardPalette();
    WriteTwoCaptures();
    ASSERT_TRUE(Start());
    CCompareWnd* compare = ShowComparison();
    ASSERT_NE(compare, nullptr);
    // The theme changes while the window is open (the windows hear of it through the event
    // loop): the rows are tinted afresh.
    QApplication::setPalette(theme);
    QCoreApplication::processEvents();

    const std::vector<std::pair<CDataView*, QStringList>> sides = {{compare->LeftView(), {"", "-", "-", "", "", ""}},
                                                                   {compare->RightView(), {"", "+", "", "", "+", ""}}};
    for (const auto& [view, signs] : sides) {
        QStringList shown;
        for (int row = 0; row < view->blockCount(); ++row) {
            shown << view->SignOf(row);
            if (!view->IsMarked(row))
                continue;
            const QColor background = view->document()->findBlockByNumber(row).blockFormat().background().color();
            EXPECT_GE(ContrastRatio(background, theme.color(QPalette::Text)), kReadableContrast) << "row " << row;
        }
        EXPECT_EQ(shown, signs);
    }
    frame->MenuAction(ID_FILE_VIEW_DATA)->trigger();
    const QLabel* result = ChildWindow<CWorkingStorageWnd>(frame)->Viewer()->FindResultLabel();
    EXPECT_GE(ContrastRatio(result->palette().color(QPalette::WindowText), theme.color(QPalette::Window)),
              kReadableContrast);
}

INSTANTIATE_TEST_SUITE_P(Themes, ThemeTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Dark" : "Light"; });

TEST_F(SideWindowTest, WindowsOpenWithinTheScreenAndEscapeClosesThemButAFindBarFirst)
{
    WriteTwoCaptures();
    ASSERT_NO_FATAL_FAILURE(StartActive());
    const QRect available = QApplication::primaryScreen()->availableGeometry();
    ASSERT_LT(available.width(), 1100) << "the test needs a screen smaller than the comparison";
    frame->MenuAction(ID_FILE_VIEW_DATA)->trigger();
    auto* storage = ChildWindow<CWorkingStorageWnd>(frame);
    for (QPointer<QWidget> window : std::vector<QPointer<QWidget>>{ShowHistory(), ShowComparison(), storage, ShowHelp()}) {
        ASSERT_NE(window, nullptr);
        const std::string name = window->windowTitle().toStdString();
        EXPECT_TRUE(available.contains(window->geometry())) << name;
        QApplication::setActiveWindow(window);
        QTest::keyClick(window, Qt::Key_Escape);
        EXPECT_TRUE(!window || !window->isVisible()) << name;
    }

    storage->show();
    QApplication::setActiveWindow(storage);
    storage->Viewer()->OnFind();
    auto* field = storage->Viewer()->findChild<QLineEdit*>();
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_FALSE(field->isVisible());
    EXPECT_TRUE(storage->isVisible());
}

TEST_F(SideWindowTest, HistoryListFitsItsColumnsAtALargeFontAndCtrlFWorksFromIt)
{
    const Restore font{[before = QApplication::font()] { QApplication::setFont(before); }};
    QFont large = QApplication::font();
    large.setPointSize(14);
    QApplication::setFont(large);
    WriteTwoCaptures();
    ASSERT_NO_FATAL_FAILURE(StartActive());
    CCaptureHistoryWnd* history = ShowHistory();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(history));
    QTreeWidget* list = history->List();
    EXPECT_LE(list->header()->length(), list->viewport()->width());
    EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0);

    QApplication::setActiveWindow(history);
    EXPECT_TRUE(list->hasFocus()) << "a keyboard user starts in the list";
    QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
    auto* field = history->Preview()->findChild<QLineEdit*>();
    EXPECT_TRUE(field->hasFocus());
    QTest::keyClicks(field, "C#4");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(history->Preview()->FindResult(), "Not found") << "the newest capture lacks C#4";
}
