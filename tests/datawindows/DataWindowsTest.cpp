// The windows that look at data: a capture opened from the history with File Open's question,
// checks and messages, as data without a file of their own; the boxes over the window that asked;
// two captures compared side by side, scrolling as one; working storage in the viewer, also while
// a download arrives.
#include "AppFixture.h"

#include "CaptureHistory.h"
#include "CaptureHistoryWnd.h"
#include "CompareWnd.h"
#include "DataView.h"
#include "DataViewer.h"
#include "WorkingStorageWnd.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QWheelEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTreeWidget>

#include <functional>

namespace {

const std::vector<std::string> kUnsavedLines = {"UNSAVED INSTRUMENT", kEndMarkerLine};
// What follows the end marker is not loaded, and a save of the loaded data leaves it out.
const std::string kCapture = AsFileText(kFileLines) + "NOTE AFTER THE END\r\n";

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
    // The history's boxes stand over it; the captured message is the main window's.
    for (const framework::MessageBoxRequest& box : boxes.boxes)
        EXPECT_EQ(box.owner, box.text == kCapturedMessage ? static_cast<QWidget*>(frame) : history) << box.text.toStdString();
    // The capture is a record: it becomes no file of the document's, nor a recent file.
    EXPECT_EQ(doc->GetPathName(), QString());
    EXPECT_EQ(theApp.GetRecentFileList(), QStringList{});
    if (c.opens) {
        EXPECT_EQ(Data(*doc), AsLoadedData(kFileLines));
        Idle();
        EXPECT_EQ(frame->windowTitle(), "2026-12-09 14:03:05, actual instrument - DATA-TRANSFER");
        // Save (Ctrl+S) asks where, proposing the capture's name in the current folder.
        doc->DoFileSave();
        ASSERT_EQ(fileRequests.size(), 1u);
        EXPECT_EQ(fileRequests[0].initialPath, QString::fromStdString(dir.file("2026-12-09_14-03-05_DS.txt")));
        EXPECT_EQ(ReadWholeFile(capture.toStdString()), kCapture);
    } else if (c.answer == framework::IDCANCEL)
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

// A capture deleted by hand while the window listed it is as good as deleted: no complaint.
TEST_F(DataWindowTest, DeletingACaptureThatHasGoneIsNoError)
{
    const QString gone = WriteCapture("2026-12-09_14-03-05_DS.txt", kCapture);
    WriteCapture("2026-12-09_10-00-00_DD.txt", kCapture);
    ASSERT_TRUE(Start());
    CCaptureHistoryWnd* history = ShowHistory();
    QFile::remove(gone);
    Select(history, {0, 1});
    Press(history, "&Delete");
    ASSERT_EQ(boxes.texts, std::vector<QString>{"Delete these 2 captures from the history?"});
    EXPECT_EQ(boxes.boxes[0].owner, history);
    EXPECT_EQ(history->List()->topLevelItemCount(), 0);
}

// The long kind of a temperaments capture widens the list; the Size column still stands whole.
TEST_F(DataWindowTest, SizeColumnIsNeverCutAndShowsItsUnit)
{
    WriteCapture("2026-12-09_14-03-05_DT.txt", std::string(21000, 'T') + "\r\n" + kCapture);
    WriteCapture("2026-12-09_10-00-00_DD.txt", kCapture);
    ASSERT_TRUE(Start());
    CCaptureHistoryWnd* history = ShowHistory();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(history));
    const QTreeWidget* list = history->List();
    const QHeaderView* header = list->header();
    EXPECT_LE(header->sectionViewportPosition(3) + header->sectionSize(3), list->viewport()->width());
    EXPECT_EQ(QStringList({list->topLevelItem(0)->text(3), list->topLevelItem(1)->text(3)}),
              QStringList({"20.57 KiB", "66 bytes"}));
}

namespace {

// 200 lines that differ from the other side's in rows 20, 120 and 180.
std::string ManyLines(const char* mark)
{
    std::vector<std::string> lines;
    for (int i = 0; i < 200; ++i)
        lines.push_back("LINE " + std::to_string(i) + (i == 20 || i == 120 || i == 180 ? mark : ""));
    lines.push_back("END________");
    return AsFileText(lines);
}

}  // namespace

class CompareScrollTest : public DataWindowTest {
protected:
    void SetUp() override
    {
        DataWindowTest::SetUp();
        WriteCapture("2026-12-09_10-00-00_DD.txt", ManyLines(" OLD"));
        WriteCapture("2026-12-09_11-00-00_DD.txt", ManyLines(" NEW"));
        ASSERT_TRUE(Start());
        CCaptureHistoryWnd* history = ShowHistory();
        Select(history, {0, 1});
        Press(history, "&Compare");
        compare = ChildWindow<CCompareWnd>(history);
        ASSERT_NE(compare, nullptr);
        QApplication::setActiveWindow(compare);
        ASSERT_TRUE(QTest::qWaitForWindowActive(compare));
        left = compare->LeftView();
        right = compare->RightView();
    }

    // The top rows (a scroll by keys is told through the event loop).
    void ExpectSidesTogether() const
    {
        QCoreApplication::processEvents();
        EXPECT_EQ(left->verticalScrollBar()->value(), right->verticalScrollBar()->value());
    }

    CCompareWnd* compare = nullptr;
    CDataView* left = nullptr;
    CDataView* right = nullptr;
};

TEST_F(CompareScrollTest, BothSidesScrollTogetherWhateverScrollsOne)
{
    const auto wheel = [this] {
        QWheelEvent event(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, 360), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(right->viewport(), &event);
    };
    const std::pair<const char*, std::function<void()>> rows[] = {
        {"PageDown in the older", [this] { QTest::keyClick(left, Qt::Key_PageDown); }},
        // Down past the last row shown, so that the side scrolls.
        {"arrows down in the newer", [this] { for (int i = 0; i < 60; ++i) QTest::keyClick(right, Qt::Key_Down); }},
        {"Ctrl+End in the older", [this] { QTest::keyClick(left, Qt::Key_End, Qt::ControlModifier); }},
        {"wheel over the newer", wheel},
        {"Ctrl+Home in the newer", [this] { QTest::keyClick(right, Qt::Key_Home, Qt::ControlModifier); }},
        {"scroll bar of the older", [this] { left->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd); }},
    };
    for (const auto& [name, act] : rows) {
        SCOPED_TRACE(name);
        const int before = left->verticalScrollBar()->value();
        act();
        ExpectSidesTogether();
        EXPECT_NE(left->verticalScrollBar()->value(), before) << "the action scrolled";
    }
}

// Next and Previous difference count from the cursor of the side last clicked, also after the
// click on the button has taken the focus.
TEST_F(CompareScrollTest, NextDifferenceStartsFromTheSideThatHasTheFocus)
{
    const struct { CDataView* side; int from; const char* button; int to; } rows[] = {
        {right, 130, "&Next difference", 180}, {left, 50, "&Previous difference", 20}, {left, 190, "&Next difference", 20}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.from);
        const QTextCursor at(row.side->document()->findBlockByNumber(row.from));
        row.side->setTextCursor(at);
        QCoreApplication::processEvents();
        QTest::mouseClick(row.side->viewport(), Qt::LeftButton, Qt::NoModifier, row.side->cursorRect(at).center());
        Press(compare, row.button);
        EXPECT_EQ(left->textCursor().blockNumber(), row.to);
        EXPECT_EQ(right->textCursor().blockNumber(), row.to);
        ExpectSidesTogether();
    }
}

// View data opened during a download shows the lines received so far and follows them a few
// times a second, without being activated again, the line the user marked staying marked.
TEST_F(DataWindowTest, ViewDataFollowsADownloadWhileItArrives)
{
    sim::Settings paced = SimDevice::Fast();
    paced.charsPerSecond = 20000;  // the temperaments take about a second
    StartDevice(paced);
    ASSERT_TRUE(Start());
    ASSERT_NO_FATAL_FAILURE(Identify());
    Idle();
    Click(ID_HISTORICAL_TEMPERAMENTS);
    const auto tickUntilLines = [&](int lines) {
        while (!(doc->IsReceiving() && doc->m_nRxLines >= lines) && State() != kStateIdle)
            Tick();
    };
    tickUntilLines(3);
    frame->MenuAction(ID_FILE_VIEW_DATA)->trigger();
    auto* window = ChildWindow<CWorkingStorageWnd>(frame);
    CDataView* view = window->Viewer()->View();
    const auto held = [&] { return DataLines(QByteArray(doc->m_data, doc->HeldDataSize())); };
    EXPECT_EQ(RowTexts(view), held());
    EXPECT_TRUE(window->findChild<QLabel*>()->text().startsWith("Receiving data from the device: "));

    QTextCursor mark(view->document()->findBlockByNumber(1));
    mark.select(QTextCursor::LineUnderCursor);
    view->setTextCursor(mark);
    const int first = view->blockCount();
    tickUntilLines(first + 20);
    ASSERT_TRUE(doc->IsReceiving()) << "the download ended before the test could look";
    EXPECT_TRUE(WaitUntil([&] { return RowTexts(view) == held(); }, 5000));
    EXPECT_EQ(view->textCursor().selectedText(), mark.selectedText());
    EXPECT_GE(view->blockCount(), first + 20);
}
