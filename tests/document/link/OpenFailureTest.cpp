// Why the port cannot be opened, through the termios backend on real files: the document keeps
// the reason in the user's words while PortOpen answers its old codes.
#include "KorvaDoc.h"
#include "PtyPair.h"
#include "TempDir.h"

#include "v24.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

namespace {

constexpr uid_t kNobody = 65534;

struct FailureCase {
    const char* name;
    // Sets up the device file COM1 will try (in the child) and answers its path.
    std::function<std::string(TempWorkDir&, PtyPair&)> arrange;
    bool asNobody;
    int32_t code;
    const char* reason;  // what follows "COM1 (file): "
};

TEST(OpenFailureTest, ReasonTellsMissingFolderPlainFileInUseNotPermittedAndNoFileApart)
{
    const FailureCase cases[] = {
        {"missing", [](TempWorkDir& d, PtyPair&) { return d.file("ttyUSB0"); }, false, PORT_E_NOPORT,
         "not found \u2014 plug in the adapter or choose the device in Adjustment/Interface"},
        {"folder", [](TempWorkDir& d, PtyPair&) { return d.path(); }, false, PORT_E_API,
         "not a serial device \u2014 choose the device in Adjustment/Interface"},
        {"plain file",
         [](TempWorkDir& d, PtyPair&) {
             WriteWholeFile(d.file("notes.txt"), "x");
             return d.file("notes.txt");
         },
         false, PORT_E_API, "not a serial device \u2014 choose the device in Adjustment/Interface"},
        {"in use",
         [](TempWorkDir&, PtyPair& pty) {
             setenv("V24_COM2", pty.slavePath().c_str(), 1);
             EXPECT_GE(PortOpen("COM2", 1), 0);  // held until the child ends
             return pty.slavePath();
         },
         false, PORT_E_ACCESS, "in use by another program"},
        {"not permitted",
         [](TempWorkDir&, PtyPair& pty) {
             chmod(pty.slavePath().c_str(), 0600);
             return pty.slavePath();
         },
         true, PORT_E_ACCESS, "not permitted \u2014 add yourself to the group dialout and log in again"},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempWorkDir dir;
        PtyPair pty;
        const ChildReport report = RunInChildProcess([&] {
            const std::string file = c.arrange(dir, pty);
            if (c.asNobody && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
                return std::string("could not give up root");
            setenv("V24_COM1", file.c_str(), 1);
            CKorvaDoc doc;
            doc.OpenPort();
            const std::string expected = std::to_string(c.code) + " COM1 (" + file + "): " + c.reason;
            const std::string got = std::to_string(doc.m_hPort) + " " + doc.OpenFailure().toStdString();
            return got == expected ? std::string("as expected") : got + "\nexpected " + expected;
        });
        ASSERT_TRUE(report.finished) << report.text;
        EXPECT_EQ(report.text, "as expected");
    }
}

TEST(OpenFailureTest, EmptyDeviceFileIsNoFileAndAnOpenedPortHasNoReason)
{
    TempWorkDir dir;
    PtyPair pty;
    unsetenv("V24_COM1");
    CKorvaDoc doc;
    ASSERT_EQ(PortSetDeviceFile("COM1", ""), 0);
    doc.OpenPort();
    EXPECT_EQ(doc.m_hPort, PORT_E_NOPORT);
    EXPECT_EQ(doc.OpenFailure().toStdString(), "COM1: no device file \u2014 choose the device in Adjustment/Interface");
    doc.ClosePort();
    ASSERT_EQ(PortSetDeviceFile("COM1", pty.slavePath().c_str()), 0);
    doc.OpenPort();
    EXPECT_GE(doc.m_hPort, 0);
    EXPECT_TRUE(doc.OpenFailure().isEmpty());
    doc.ClosePort();
    PortSetDeviceFile("COM1", nullptr);
}

}  // namespace
