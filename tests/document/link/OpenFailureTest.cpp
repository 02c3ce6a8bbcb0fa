// Why the port cannot be opened, through the termios backend on real files: the document keeps
// the reason in the user's words while PortOpen answers its old codes.
#include "KorvaDoc.h"
#include "PtyPair.h"
#include "TempDir.h"

#include "v24.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;
const std::string kNotSerial = "not a serial device \u2014 choose the device in Adjustment/Interface";

TEST(OpenFailureTest, ReasonTellsMissingFolderPlainFileInUseNotPermittedAndNoFileApart)
{
    TempWorkDir dir;
    WriteWholeFile(dir.file("notes.txt"), "x");
    PtyPair held("COM2"), guarded;
    const int32_t holder = PortOpen("COM2", 1);
    ASSERT_GE(holder, 0);
    chmod(guarded.slavePath().c_str(), 0600);
    struct Row { std::string file; bool asNobody; int32_t code; std::string reason; };
    const Row rows[] = {
        {dir.file("ttyUSB0"), false, PORT_E_NOPORT,
         "not found \u2014 plug in the adapter or choose the device in Adjustment/Interface"},
        {dir.path(), false, PORT_E_API, kNotSerial},
        {dir.file("notes.txt"), false, PORT_E_API, kNotSerial},
        {held.slavePath(), false, PORT_E_ACCESS, "in use by another program"},
        {guarded.slavePath(), true, PORT_E_ACCESS, "not permitted \u2014 add yourself to the group dialout and log in again"},
        {"", false, PORT_E_NOPORT, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        if (row.asNobody && geteuid() != 0)
            continue;  // only root can become a user whom the file's mode shuts out
        const ChildReport report = RunInChildProcess([&] {
            if (row.asNobody && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0))
                return std::string("could not give up root");
            unsetenv("V24_COM1");
            CKorvaDoc doc;
            PortSetDeviceFile("COM1", row.file.c_str());  // as the settings would
            doc.OpenPort();
            return std::to_string(doc.m_hPort) + " " + doc.OpenFailure().toStdString();
        });
        ASSERT_TRUE(report.finished) << report.text;
        const std::string where = row.file.empty() ? "COM1: no device file \u2014 choose the device in Adjustment/Interface"
                                                   : "COM1 (" + row.file + "): " + row.reason;
        EXPECT_EQ(report.text, std::to_string(row.code) + " " + where);
    }
    PortClose(holder);
}

}  // namespace
