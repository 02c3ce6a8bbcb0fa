// The safe write syncs the folder once the new file has its name, and a write the system refuses
// is reported with the system's reason. Whole-or-nothing saves are checked through the save.
#include "SafeWrite.h"
#include "SyncRecorder.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QSettings>
#include <QString>

#include <csignal>
#include <cstring>
#include <string>
#include <utility>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

TEST(SafeWrite, SyncsTheFolderOnceTheNewFileHasItsName)
{
    TempWorkDir dir;
    const std::string target = dir.file("tuning.txt");
    WriteWholeFile(target, "old");
    CSyncRecorder recorder(target);
    ASSERT_TRUE(framework::SafeWriteBytes(QString::fromStdString(target), QByteArray("new")));
    ASSERT_FALSE(recorder.Syncs().empty());
    EXPECT_EQ(recorder.Syncs().back(), std::make_pair(RealPath(dir.path()), std::string("new")));
}

// The settings file, which Qt writes and renames into place, has its folder synced as well.
TEST(SafeWrite, CommittedSettingsHaveTheirFolderSynced)
{
    TempWorkDir dir;
    const std::string file = dir.file("korva.conf");
    QSettings settings(QString::fromStdString(file), QSettings::IniFormat);
    settings.setValue(QStringLiteral("Ports/COM1"), QStringLiteral("/dev/ttyUSB0"));
    CSyncRecorder recorder(file);
    ASSERT_TRUE(framework::CommitSettings(settings));
    ASSERT_FALSE(recorder.Syncs().empty());
    EXPECT_EQ(recorder.Syncs().back(), std::make_pair(RealPath(dir.path()), std::string("[Ports]\nCOM1=/dev/ttyUSB0\n")));
}

// Under a file-size limit in a child process that ignores SIGXFSZ, so that the write fails
// instead of ending the process.
TEST(SafeWrite, RefusedWriteGivesTheSystemsReasonAndKeepsTheOldFile)
{
    TempWorkDir dir;
    const std::string target = dir.file("tuning.txt");
    WriteWholeFile(target, "old");
    const ChildReport report = RunInChildProcess([&] {
        const rlimit limit{1000, RLIM_INFINITY};
        if (std::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return std::string("no limit");
        QString error;
        if (framework::SafeWriteBytes(QString::fromStdString(target), QByteArray(100000, 'x'), &error))
            return std::string("written");
        return error.toStdString();
    });
    ASSERT_TRUE(report.finished) << report.text;
    EXPECT_EQ(report.text, std::strerror(EFBIG));
    EXPECT_EQ(ReadWholeFile(target), "old");
    EXPECT_EQ(FileNames(dir.path()), std::vector<std::string>{"tuning.txt"});
}
