// The interface settings: the port file read at start-up and the dialog's exchange, driven on
// the offscreen platform.
#include "Einstell1.h"
#include "MessageBox.h"
#include "MessageRecorder.h"
#include "TempDir.h"
#include "resource.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

class PortFileTest : public ::testing::Test {
protected:

    std::string PortFile() const { return ReadWholeFile(dir.file("VEQ.INI")); }
    void WritePortFile(const std::string& content) { WriteWholeFile(dir.file("VEQ.INI"), content); }

    TempWorkDir dir;
    MessageRecorder recorder;
    std::vector<QString>& messages = recorder.texts;
};

QComboBox* Combo(CEinstell1& dlg)
{
    return qobject_cast<QComboBox*>(dlg.GetDlgItem(IDC_COMBO1));
}

void TypeInto(CEinstell1& dlg, const QString& keys)
{
    QLineEdit* edit = Combo(dlg)->lineEdit();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, keys);
}

TEST_F(PortFileTest, EveryPortNameIsReadShownAndWrittenBackUnchanged)
{
    for (int i = 0; i < 16; ++i) {
        const std::string name = "COM" + std::to_string(i + 1);
        SCOPED_TRACE(name);
        WritePortFile(name);
        CEinstell1 dlg;
        EXPECT_EQ(dlg.m_nPortIndex, i);
        ASSERT_TRUE(dlg.Create());
        EXPECT_EQ(Combo(dlg)->currentIndex(), i);
        EXPECT_EQ(Combo(dlg)->currentText(), QString::fromStdString(name));
        WritePortFile("");
        dlg.OnOK();
        EXPECT_EQ(dlg.GetResult(), framework::IDOK);
        EXPECT_EQ(dlg.m_nPortIndex, i);
        EXPECT_EQ(PortFile(), name);
    }
    EXPECT_TRUE(messages.empty());
}

TEST_F(PortFileTest, AnyOtherContentMeansCom1)
{
    // A NUL after a name is content like any other: "COM2" and a NUL is not "COM2".
    const std::vector<std::string> contents = {"com3", "COM3\r", "COM3 \n", "COM3\r\r\n", "COM17", "COM0", "",
                                               " COM2", "COM2 ", "LPT1", std::string("COM2\0", 5),
                                               std::string("COM12\0\0\0\x10", 9)};
    for (const std::string& content : contents) {
        SCOPED_TRACE(content);
        WritePortFile(content);
        CEinstell1 dlg;
        EXPECT_EQ(dlg.m_nPortIndex, 0);
        EXPECT_EQ(dlg.m_strPort, QStringLiteral("COM1"));
        EXPECT_EQ(PortFile(), content);  // reading never rewrites the file
    }
}

TEST_F(PortFileTest, MissingFileMeansCom1AndIsNotCreated)
{
    CEinstell1 dlg;
    EXPECT_EQ(dlg.m_nPortIndex, 0);
    EXPECT_EQ(dlg.m_strPort, QStringLiteral("COM1"));
    EXPECT_FALSE(FileExists(dir.file("VEQ.INI")));
}

// Root may write a read-only file, so the settings are read by a child process that runs as an
// unprivileged user. The file stays readable to it: only opening for reading and writing fails.
TEST_F(PortFileTest, FileThatCannotBeOpenedForWritingMeansCom1)
{
    constexpr uid_t kNobody = 65534;
    WritePortFile("COM6");
    chmod(dir.file("VEQ.INI").c_str(), 0444);
    chmod(dir.path().c_str(), 0755);
    const ChildReport report = RunInChildProcess([] {
        if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
            return std::string("could not give up root");
        std::FILE* probe = std::fopen("VEQ.INI", "rb");
        const std::string readable = probe ? "readable" : "unreadable";
        if (probe)
            std::fclose(probe);
        CEinstell1 dlg;
        return readable + ", index " + std::to_string(dlg.m_nPortIndex);
    });
    ASSERT_TRUE(report.finished) << report.text;
    EXPECT_EQ(report.text, "readable, index 0");
    EXPECT_EQ(PortFile(), "COM6");
}

// Only a regular file is the port file: a FIFO in its place would wait for a writer for ever,
// so each case runs in a child process that a hang cannot outlive.
TEST_F(PortFileTest, PortFileThatIsNoRegularFileMeansCom1AndOkStillTakesTheChoice)
{
    for (const char* kind : {"folder", "fifo"}) {
        SCOPED_TRACE(kind);
        std::filesystem::remove_all(dir.file("VEQ.INI"));
        if (std::string(kind) == "folder")
            std::filesystem::create_directory(dir.file("VEQ.INI"));
        else
            ASSERT_EQ(mkfifo(dir.file("VEQ.INI").c_str(), 0600), 0);
        const ChildReport report = RunInChildProcess(
            [this] {
                CEinstell1 dlg;
                const std::string atStart = "index " + std::to_string(dlg.m_nPortIndex);
                if (!dlg.Create())
                    return atStart + ", no window";
                TypeInto(dlg, QStringLiteral("COM9"));
                dlg.OnOK();
                // A write failure is silent.
                return atStart + ", then " + std::to_string(dlg.m_nPortIndex) + ", " + std::to_string(messages.size())
                    + " messages";
            },
            10);
        ASSERT_TRUE(report.finished) << "the port file was waited for";
        EXPECT_EQ(report.text, "index 0, then 8, 0 messages");
    }
}

// A file written with a text editor ends with a line end; one LF or CR LF after the name is
// taken with it. The file is left as it is.
TEST_F(PortFileTest, OneLineEndAfterTheNameIsAccepted)
{
    struct Row { std::string content; int index; };
    const std::vector<Row> rows = {{"COM3\n", 2}, {"COM3\r\n", 2}, {"COM16\r\n", 15}, {"COM2\nCOM5", 1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.content);
        WritePortFile(row.content);
        CEinstell1 dlg;
        EXPECT_EQ(dlg.m_nPortIndex, row.index);
        EXPECT_EQ(dlg.m_strPort.toStdString(), "COM" + std::to_string(row.index + 1));
        EXPECT_EQ(PortFile(), row.content);
    }
}

// What the user sees in the field is what is used: a name that is no port is refused with a
// message and the dialog stays open, with the choice and the file as they were.
TEST_F(PortFileTest, TypedNamesMapExactlyOrAreRefused)
{
    struct Row { QString typed; int index; std::string file; };
    const std::vector<Row> rows = {{"COM16", 15, "COM16"}, {"COM3", 2, "COM3"}, {"com3", -1, ""},
                                   {"COM17", -1, ""},      {"COM3 ", -1, ""},  {"", -1, ""}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed.toStdString());
        messages.clear();
        WritePortFile("COM6");
        CEinstell1 dlg;
        ASSERT_TRUE(dlg.Create());
        TypeInto(dlg, row.typed);
        dlg.OnOK();
        if (row.index < 0) {
            EXPECT_EQ(messages, std::vector<QString>{QStringLiteral("Choose one of the ports COM1 to COM16.")});
            EXPECT_EQ(dlg.GetResult(), 0);
            EXPECT_EQ(dlg.m_nPortIndex, 5);
            EXPECT_EQ(dlg.m_strPort, QStringLiteral("COM6"));
            EXPECT_EQ(PortFile(), "COM6");
            continue;
        }
        EXPECT_TRUE(messages.empty());
        EXPECT_EQ(dlg.GetResult(), framework::IDOK);
        EXPECT_EQ(dlg.m_nPortIndex, row.index);
        EXPECT_EQ(dlg.m_strPort, row.typed);
        EXPECT_EQ(PortFile(), row.file);
        CEinstell1 nextStart;
        EXPECT_EQ(nextStart.m_nPortIndex, row.index);
    }
}

// Runs the dialog modally as a user does: with the edit field focused, types keys, then presses
// the confirming keys on whatever holds the focus. Reports the text shown after typing. A dialog
// that the keys leave open is cancelled, so that the run ends either way.
int RunTyping(CEinstell1& dlg, const QString& keys, const std::vector<Qt::Key>& confirm, QString& shown)
{
    QTimer::singleShot(0, [&] {
        QLineEdit* edit = Combo(dlg)->lineEdit();
        QApplication::setActiveWindow(dlg.GetWindow());
        edit->setFocus();
        EXPECT_TRUE(edit->hasFocus());  // completion from the list acts only in a focused field
        TypeInto(dlg, keys);
        shown = edit->text();
        for (Qt::Key key : confirm) {
            QWidget* focus = QApplication::focusWidget();
            QTest::keyClick(focus ? focus : dlg.GetWindow(), key);
        }
        if (dlg.GetWindow()->isVisible())
            dlg.GetWindow()->reject();
    });
    return dlg.DoModal();
}

TEST_F(PortFileTest, TypedTextIsTakenExactlyAsTyped)
{
    const std::vector<Qt::Key> enter = {Qt::Key_Return};
    const std::vector<Qt::Key> tabThenEnter = {Qt::Key_Tab, Qt::Key_Return};
    // A refused name leaves the dialog open, which the run then cancels.
    struct Row { QString typed; std::vector<Qt::Key> confirm; int index; std::string file; };
    const std::vector<Row> rows = {{"com3", enter, 5, "COM6"},        {"COM3", enter, 2, "COM3"},
                                   {"COM17", enter, 5, "COM6"},       {"COM1 ", enter, 5, "COM6"},
                                   {"COM16", enter, 15, "COM16"},     {"com3", tabThenEnter, 5, "COM6"},
                                   {"com", tabThenEnter, 5, "COM6"},  {"COM5", tabThenEnter, 4, "COM5"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed.toStdString() + (row.confirm.size() > 1 ? ", Tab, Enter" : ", Enter"));
        WritePortFile("COM6");
        CEinstell1 dlg;
        QString shown;
        const bool accepted = row.file != "COM6";
        EXPECT_EQ(RunTyping(dlg, row.typed, row.confirm, shown), accepted ? framework::IDOK : framework::IDCANCEL);
        EXPECT_EQ(shown.toStdString(), row.typed.toStdString());
        EXPECT_EQ(dlg.m_strPort.toStdString(), accepted ? row.typed.toStdString() : "COM6");
        EXPECT_EQ(dlg.m_nPortIndex, row.index);
        EXPECT_EQ(PortFile(), row.file);
    }
}

TEST_F(PortFileTest, TypingStopsAtFiveCharacters)
{
    CEinstell1 dlg;
    ASSERT_TRUE(dlg.Create());
    TypeInto(dlg, QStringLiteral("COM123"));
    EXPECT_EQ(Combo(dlg)->currentText(), QStringLiteral("COM12"));
}

TEST_F(PortFileTest, LongerTextIsRefusedAndTheDialogStaysOpen)
{
    WritePortFile("COM2");
    CEinstell1 dlg;
    ASSERT_TRUE(dlg.Create());
    Combo(dlg)->setEditText(QStringLiteral("COM123"));  // set by the program, past the typing limit
    dlg.OnOK();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], QStringLiteral("Geben Sie bitte nicht mehr als 5 Zeichen ein."));
    EXPECT_EQ(dlg.GetResult(), 0);
    EXPECT_EQ(dlg.m_nPortIndex, 1);
    EXPECT_EQ(PortFile(), "COM2");
    dlg.OnCancel();
    EXPECT_EQ(dlg.GetResult(), framework::IDCANCEL);
    EXPECT_EQ(dlg.m_strPort, QStringLiteral("COM2"));
}

TEST_F(PortFileTest, CancelKeepsIndexTextAndFile)
{
    WritePortFile("COM5");
    CEinstell1 dlg;
    ASSERT_TRUE(dlg.Create());
    TypeInto(dlg, QStringLiteral("COM7"));
    dlg.OnCancel();
    EXPECT_EQ(dlg.GetResult(), framework::IDCANCEL);
    EXPECT_EQ(dlg.m_nPortIndex, 4);
    EXPECT_EQ(dlg.m_strPort, QStringLiteral("COM5"));
    EXPECT_EQ(PortFile(), "COM5");
}

TEST_F(PortFileTest, OpeningSelectsTheFirstEntryBeginningWithTheText)
{
    struct Row { QString text; int selected; QString shown; };
    const std::vector<Row> rows = {{"com1", 0, "COM1"}, {"COM1", 0, "COM1"}, {"cOm16", 15, "COM16"},
                                   {"XYZ", -1, "XYZ"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        CEinstell1 dlg;
        dlg.m_strPort = row.text;
        ASSERT_TRUE(dlg.Create());
        if (row.selected >= 0) {
            EXPECT_EQ(Combo(dlg)->currentIndex(), row.selected);
        }
        EXPECT_EQ(Combo(dlg)->currentText(), row.shown);
    }
}

TEST_F(PortFileTest, ModalRunEndsWithEnterAsOk)
{
    WritePortFile("COM3");
    CEinstell1 dlg;
    QTimer::singleShot(0, [] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        QTest::keyClick(modal, Qt::Key_Return);
    });
    EXPECT_EQ(dlg.DoModal(), framework::IDOK);
    EXPECT_EQ(dlg.m_nPortIndex, 2);
    EXPECT_EQ(PortFile(), "COM3");
}

}  // namespace
