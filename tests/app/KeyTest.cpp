// The accelerators, given as real key events to the active main window: Ctrl+N reaches the
// view's File New, Ctrl+O and Ctrl+S go through the file dialogs, and the edit and pane keys
// change nothing at all.
#include "AppFixture.h"

#include <QApplication>
#include <QKeySequence>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QShortcut>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QWhatsThis>

namespace {

bool HasAccelerator(const QWidget* window, const QKeySequence& key)
{
    for (const QShortcut* shortcut : window->findChildren<QShortcut*>()) {
        if (shortcut->key() == key && shortcut->isEnabled())
            return true;
    }
    return false;
}

}  // namespace

using KeyTest = AppTest;

TEST_F(KeyTest, CtrlNReachesTheViewsNewHandlerWhichEmptiesTheDocumentOnTheNextTick)
{
    const std::string file = WriteDataFile("tuning.txt", kFileLines);
    ASSERT_NO_FATAL_FAILURE(StartActive({QString::fromStdString(file)}));
    Tick();  // the captured-data message of the opened file
    ASSERT_EQ(State(), kStateIdle);

    QTest::keyClick(frame, Qt::Key_N, Qt::ControlModifier);
    // The view only sets the state; the framework's New would have emptied the document now.
    EXPECT_EQ(State(), kStateNewDocument);
    EXPECT_EQ(Data(*doc), AsLoadedData(kFileLines));
    EXPECT_EQ(doc->GetTitle(), "tuning.txt");

    Tick();
    EXPECT_EQ(State(), kStateIdle);
    EXPECT_EQ(Data(*doc), "");
    EXPECT_EQ(doc->GetTitle(), "VEQ_32_C_DATA");
    EXPECT_EQ(doc->GetPathName(), "");
    Idle();
    EXPECT_EQ(EnabledButtons(), kDeviceCommands);
    EXPECT_EQ(frame->windowTitle(), "VEQ_32_C_DATA - DATA-TRANSFER");
    // An unmodified document is replaced without a question.
    EXPECT_EQ(boxes.texts, std::vector<QString>{kCapturedMessage});
}

TEST_F(KeyTest, CtrlOAsksThroughTheOpenDialogAndOpensTheChosenFile)
{
    const std::string file = WriteDataFile("tuning.txt", kFileLines);
    ASSERT_NO_FATAL_FAILURE(StartActive());
    fileAnswers = {QString::fromStdString(file)};

    QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier);

    ASSERT_EQ(fileRequests.size(), 1u);
    EXPECT_TRUE(fileRequests[0].open);
    EXPECT_EQ(fileRequests[0].caption, QString::fromUtf8("Öffnen"));
    EXPECT_EQ(fileRequests[0].filter, "Dateityp  (*.txt)");
    EXPECT_EQ(fileRequests[0].defaultSuffix, "txt");
    EXPECT_EQ(doc->GetTitle(), "tuning.txt");
    EXPECT_EQ(doc->GetPathName(), QString::fromStdString(file));
    EXPECT_EQ(Data(*doc), AsLoadedData(kFileLines));
    EXPECT_EQ(State(), kStateCaptured);
}

TEST_F(KeyTest, CtrlOCancelledLeavesTheDocumentAlone)
{
    const std::string file = WriteDataFile("tuning.txt", kFileLines);
    ASSERT_NO_FATAL_FAILURE(StartActive({QString::fromStdString(file)}));

    QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier);

    EXPECT_EQ(fileRequests.size(), 1u);
    EXPECT_EQ(doc->GetTitle(), "tuning.txt");
    EXPECT_EQ(Data(*doc), AsLoadedData(kFileLines));
}

TEST_F(KeyTest, CtrlSSavesIntoTheDocumentsOwnFileWithoutAsking)
{
    const std::string file = WriteDataFile("tuning.txt", kFileLines);
    ASSERT_NO_FATAL_FAILURE(StartActive({QString::fromStdString(file)}));
    WriteWholeFile(file, "changed behind the program's back\r\n");

    QTest::keyClick(frame, Qt::Key_S, Qt::ControlModifier);

    EXPECT_TRUE(fileRequests.empty());
    // Every CR of the buffer is written as CR LF, the marker's extra empty line included.
    EXPECT_EQ(ReadWholeFile(file), AsFileText(kFileLines) + "\r\n");
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(KeyTest, CtrlSWithoutAFileSavesThroughSaveAsUnderTheChosenName)
{
    ASSERT_NO_FATAL_FAILURE(StartActive());
    SetData(*doc, "LINE ONE\rLINE TWO\r");
    fileAnswers = {QString::fromStdString(dir.file("saved.txt"))};

    QTest::keyClick(frame, Qt::Key_S, Qt::ControlModifier);

    ASSERT_EQ(fileRequests.size(), 1u);
    EXPECT_FALSE(fileRequests[0].open);
    EXPECT_EQ(fileRequests[0].caption, "Speichern unter");
    EXPECT_EQ(fileRequests[0].filter, "Dateityp  (*.txt)");
    EXPECT_EQ(fileRequests[0].defaultSuffix, "txt");
    EXPECT_EQ(ReadWholeFile(dir.file("saved.txt")), "LINE ONE\r\nLINE TWO\r\n");
    EXPECT_EQ(doc->GetTitle(), "saved.txt");
}

struct InertKey {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

void PrintTo(const InertKey& c, std::ostream* os)
{
    *os << c.name;
}

// What a key could have changed: the document, the transfer, the buttons and the files.
struct Snapshot {
    std::string data;
    QString title;
    QString path;
    bool modified;
    int32_t state;
    int32_t ticks;
    std::vector<unsigned> buttons;
    std::vector<std::string> files;
    size_t boxes;
    size_t fileDialogs;
    size_t traces;

    bool operator==(const Snapshot& o) const
    {
        return data == o.data && title == o.title && path == o.path && modified == o.modified && state == o.state
            && ticks == o.ticks && buttons == o.buttons && files == o.files && boxes == o.boxes
            && fileDialogs == o.fileDialogs && traces == o.traces;
    }
};

void PrintTo(const Snapshot& s, std::ostream* os)
{
    *os << "{data " << s.data.size() << " bytes, title " << s.title.toStdString() << ", modified " << s.modified
        << ", state " << s.state << ", ticks " << s.ticks << ", " << s.buttons.size() << " buttons, "
        << s.files.size() << " files, " << s.boxes << " boxes, " << s.fileDialogs << " dialogs, " << s.traces
        << " traces}";
}

class InertKeyTest : public AppTest, public ::testing::WithParamInterface<InertKey> {
protected:
    Snapshot Take()
    {
        Idle();
        return {Data(*doc),     doc->GetTitle(),  doc->GetPathName(),    doc->IsModified(),  State(),
                view->m_nTicks, EnabledButtons(), FileNames(dir.path()), boxes.boxes.size(), fileRequests.size(),
                traces.size()};
    }
};

TEST_P(InertKeyTest, IsAnAcceleratorThatChangesNothing)
{
    const InertKey& c = GetParam();
    const std::string file = WriteDataFile("tuning.txt", kFileLines);
    ASSERT_NO_FATAL_FAILURE(StartActive({QString::fromStdString(file)}));
    Tick();  // the captured-data message of the opened file
    const Snapshot before = Take();
    ASSERT_EQ(before.state, kStateIdle);

    EXPECT_TRUE(HasAccelerator(frame, QKeySequence(c.modifiers | c.key)));
    QTest::keyClick(frame, c.key, c.modifiers);
    QCoreApplication::processEvents();
    Tick();

    EXPECT_EQ(Take(), before);
    EXPECT_EQ(ReadWholeFile(file), AsFileText(kFileLines));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    EditAndPaneKeys, InertKeyTest,
    ::testing::Values(InertKey{"CtrlZ", Qt::Key_Z, Qt::ControlModifier},
                      InertKey{"AltBackspace", Qt::Key_Backspace, Qt::AltModifier},
                      InertKey{"CtrlX", Qt::Key_X, Qt::ControlModifier},
                      InertKey{"ShiftDelete", Qt::Key_Delete, Qt::ShiftModifier},
                      InertKey{"CtrlC", Qt::Key_C, Qt::ControlModifier},
                      InertKey{"CtrlInsert", Qt::Key_Insert, Qt::ControlModifier},
                      InertKey{"CtrlV", Qt::Key_V, Qt::ControlModifier},
                      InertKey{"ShiftInsert", Qt::Key_Insert, Qt::ShiftModifier},
                      InertKey{"F6", Qt::Key_F6, Qt::NoModifier},
                      InertKey{"ShiftF6", Qt::Key_F6, Qt::ShiftModifier}),
    [](const ::testing::TestParamInfo<InertKey>& info) { return std::string(info.param.name); });

// Ctrl+P prints through the print dialog: one empty page, as the view draws nothing; a
// cancelled dialog prints nothing.
TEST_F(KeyTest, CtrlPPrintsOneEmptyPageThroughThePrintDialog)
{
    ASSERT_NO_FATAL_FAILURE(StartActive());
    const QString pdf = QString::fromStdString(dir.file("page.pdf"));
    for (const bool accept : {false, true}) {
        bool sawDialog = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            sawDialog = dialog != nullptr;
            if (!dialog)
                return;
            // Without a printer the dialog prints into the PDF file named in its own field.
            if (auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("filename")))
                field->setText(pdf);
            accept ? dialog->accept() : dialog->reject();
        });
        QApplication::setActiveWindow(frame);  // back from the dialog of the round before
        QTest::keyClick(frame, Qt::Key_P, Qt::ControlModifier);
        EXPECT_TRUE(sawDialog) << accept;
        EXPECT_EQ(FileExists(pdf.toStdString()), accept) << accept;
    }
    const std::string printed = ReadWholeFile(pdf.toStdString());
    size_t pages = 0;
    for (size_t at = printed.find("/Type /Page\n"); at != std::string::npos; at = printed.find("/Type /Page\n", at + 1))
        ++pages;
    EXPECT_EQ(pages, 1u);
}

// F1 opens the help page that ships with the program; Shift+F1 enters context-help mode.
TEST_F(KeyTest, F1ShowsTheHelpPageAndShiftF1EntersContextHelp)
{
    ASSERT_NO_FATAL_FAILURE(StartActive());
    QTest::keyClick(frame, Qt::Key_F1);
    const QTextBrowser* page = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w != frame && w->findChild<QTextBrowser*>())
            page = w->findChild<QTextBrowser*>();
    }
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->toPlainText().contains("PUT DATA FROM PC TO VEQ"));
    EXPECT_TRUE(page->toPlainText().contains("V24_COM"));
    page->window()->close();

    QTest::keyClick(frame, Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_TRUE(QWhatsThis::inWhatsThisMode());
    QWhatsThis::leaveWhatsThisMode();
}
