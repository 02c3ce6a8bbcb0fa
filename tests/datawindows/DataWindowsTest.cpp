// The windows that look at data: a capture opened from the history as File Open opens a file,
// the save question first; two captures compared side by side; working storage in the viewer.
#include "AppFixture.h"

#include "CaptureHistory.h"
#include "CaptureHistoryWnd.h"
#include "CompareWnd.h"
#include "DataView.h"
#include "DataViewer.h"
#include "WorkingStorageWnd.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTreeWidget>

namespace {

const std::vector<std::string> kUnsavedLines = {"UNSAVED INSTRUMENT", kEndMarkerLine};
const std::string kCapture = AsFileText(kFileLines);

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

std::vector<int> MarkedRows(const CDataView* view)
{
    std::vector<int> rows;
    for (int row = 0; row < view->blockCount(); ++row) {
        if (view->IsMarked(row))
            rows.push_back(row);
    }
    return rows;
}

}  // namespace

class DataWindowTest : public AppTest {
protected:
    // A capture file named as the history names them, holding content.
    QString WriteCapture(const std::string& name, const std::string& content) const
    {
        QDir().mkpath(CCaptureHistory::DefaultFolder());
        const QString path = CCaptureHistory::DefaultFolder() + "/" + QString::fromStdString(name);
        WriteWholeFile(path.toStdString(), content);
        return path;
    }

    CCaptureHistoryWnd* ShowHistory()
    {
        frame->MenuAction(ID_FILE_CAPTURE_HISTORY)->trigger();
        return ChildWindow<CCaptureHistoryWnd>(frame);
    }

    static void Select(CCaptureHistoryWnd* history, const std::vector<int>& rows)
    {
        history->List()->clearSelection();
        for (int row : rows)
            history->List()->topLevelItem(row)->setSelected(true);
    }

    static void Press(QWidget* window, const QString& text)
    {
        for (QPushButton* button : window->findChildren<QPushButton*>()) {
            if (button->text() == text)
                return QTest::mouseClick(button, Qt::LeftButton);
        }
        ADD_FAILURE() << "no button " << text.toStdString();
    }
};

struct OpenCase {
    const char* name;
    bool unsaved;
    int answer;           // to the save question
    const char* content;  // nullptr: the capture has gone after it was listed
    bool opens;
    QString refusal;      // the message after the question; %1: the capture
};

void PrintTo(const OpenCase& c, std::ostream* os)
{
    *os << c.name;
}

class HistoryOpenTest : public DataWindowTest, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(HistoryOpenTest, AsksTheSaveQuestionFirstThenOpensAsFileOpenDoes)
{
    const OpenCase& c = GetParam();
    const QString capture = WriteCapture("2026-12-09_14-03-05_DS.txt", c.content ? c.content : "");
    ASSERT_TRUE(Start());
    const std::string unsaved = AsLoadedData(kUnsavedLines);
    SetData(*doc, unsaved);
    doc->SetModifiedFlag(c.unsaved);
    CCaptureHistoryWnd* history = ShowHistory();
    ASSERT_NE(history, nullptr);
    ASSERT_EQ(history->List()->topLevelItemCount(), 1);
    // The preview shows the file as it is, data file or not.
    if (c.content)
        EXPECT_EQ(RowTexts(history->Preview()->View()).join("\r\n") + "\r\n", c.content);
    else
        QFile::remove(capture);
    boxes.answers = {c.answer};

    Select(history, {0});
    Press(history, "&Open");
    Tick();

    std::vector<QString> expected;
    if (c.unsaved)
        expected.push_back(kSaveQuestion);
    expected.push_back(c.opens ? kCapturedMessage : c.refusal.arg(capture));
    if (c.answer == framework::IDCANCEL)
        expected.pop_back();
    EXPECT_EQ(boxes.texts, expected);
    EXPECT_EQ(doc->GetPathName(), c.opens ? capture : QString());
    EXPECT_EQ(theApp.GetRecentFileList(), c.opens ? QStringList{capture} : QStringList{});
    if (c.opens)
        EXPECT_EQ(Data(*doc), AsLoadedData(kFileLines));
    else if (c.answer == framework::IDCANCEL)
        EXPECT_EQ(Data(*doc), unsaved) << "the data stay";
    else
        EXPECT_EQ(Data(*doc), "") << "data given up by Nein are gone, as after File Open";
}

INSTANTIATE_TEST_SUITE_P(
    Answers, HistoryOpenTest,
    ::testing::Values(
        OpenCase{"AbbrechenKeepsTheUnsavedData", true, framework::IDCANCEL, kCapture.c_str(), false, ""},
        OpenCase{"NeinOpensTheCapture", true, framework::IDNO, kCapture.c_str(), true, ""},
        OpenCase{"SavedDataAreReplacedUnasked", false, framework::IDOK, kCapture.c_str(), true, ""},
        OpenCase{"NoDataFileIsRefused", true, framework::IDNO, "EDITED BY HAND\r\nNO END LINE\r\n", false,
                 kUnexpectedFormatMessage},
        OpenCase{"VanishedCaptureCannotBeOpened", true, framework::IDNO, nullptr, false,
                 kCannotOpenMessage}),
    [](const ::testing::TestParamInfo<OpenCase>& info) { return std::string(info.param.name); });

// Save As asks as the main window's Save As does and writes the capture through the same safe
// write: a copy byte for byte, or the save message and nothing left behind.
TEST_F(DataWindowTest, SaveAsCopiesTheCaptureWhereTheUserChooses)
{
    const std::string bytes = std::string(kCapture) + "\x84\xe9 KEPT AS THEY ARE\r\n";
    const QString capture = WriteCapture("2026-12-09_14-03-05_DS.txt", bytes);
    ASSERT_TRUE(Start());
    CCaptureHistoryWnd* history = ShowHistory();
    ASSERT_NE(history, nullptr);
    const struct {
        const char* name;
        std::string target;
        std::vector<QString> boxes;
    } rows[] = {
        {"copy", dir.file("copy.txt"), {}},
        {"gone folder", dir.file("gone/copy.txt"),
         {QString::fromUtf8("Die Datei %1 kann nicht gespeichert werden.").arg(QString::fromStdString(dir.file("gone/copy.txt")))}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        boxes.texts.clear();
        fileRequests.clear();
        fileAnswers = {QString::fromStdString(row.target)};
        Select(history, {0});
        Press(history, "Save &As...");
        ASSERT_EQ(fileRequests.size(), 1u);
        EXPECT_FALSE(fileRequests[0].open);
        EXPECT_EQ(fileRequests[0].caption, "Speichern unter");
        EXPECT_EQ(fileRequests[0].filter, "Dateityp  (*.txt)");
        EXPECT_EQ(fileRequests[0].defaultSuffix, "txt");
        EXPECT_EQ(fileRequests[0].initialPath, QString::fromStdString(dir.file("2026-12-09_14-03-05_DS.txt")));
        EXPECT_EQ(boxes.texts, row.boxes);
        EXPECT_EQ(FileExists(row.target) ? ReadWholeFile(row.target) : "(none)", row.boxes.empty() ? bytes : "(none)");
    }
    EXPECT_EQ(ReadWholeFile(capture.toStdString()), bytes);
}

TEST_F(DataWindowTest, CompareAlignsTheOlderCaptureLeftAndMarksTheDifferingRows)
{
    WriteCapture("2026-12-09_11-00-00_DD.txt",
                 AsFileText({"A4 440.0", "C4 -2.3", "D4 -1.0", "F4 +0.7", "END________"}));
    WriteCapture("2026-12-09_10-00-00_DD.txt",
                 AsFileText({"A4 440.0", "C4 -2.1", "C#4 -1.8", "D4 -1.0", "END________"}));
    ASSERT_TRUE(Start());
    CCaptureHistoryWnd* history = ShowHistory();
    ASSERT_NE(history, nullptr);

    Select(history, {0, 1});
    Press(history, "&Compare");

    auto* compare = ChildWindow<CCompareWnd>(history);
    ASSERT_NE(compare, nullptr);
    EXPECT_EQ(compare->windowTitle(),
              "Compare captures - 2026-12-09 10:00:00, adjustment data with 2026-12-09 11:00:00, adjustment data");
    // A changed line beside its new version, a removed and an added one beside a gap.
    EXPECT_EQ(RowTexts(compare->LeftView()),
              (QStringList{"A4 440.0", "C4 -2.1", "C#4 -1.8", "D4 -1.0", "", "END________"}));
    EXPECT_EQ(RowTexts(compare->RightView()),
              (QStringList{"A4 440.0", "C4 -2.3", "", "D4 -1.0", "F4 +0.7", "END________"}));
    EXPECT_EQ(MarkedRows(compare->LeftView()), (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(MarkedRows(compare->RightView()), (std::vector<int>{1, 2, 4}));
    EXPECT_EQ(compare->Summary(), "3 lines differ");
}

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
