// The capture history: each download kept as the file a save would write, named after its
// moment and kind, the newest 200 kept, other files in the folder left alone.
#include "CaptureHistory.h"
#include "DataText.h"
#include "DocumentData.h"
#include "KorvaDoc.h"
#include "MessageRecorder.h"
#include "TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const QDateTime kMoment(QDate(2026, 12, 9), QTime(14, 3, 5));
const std::string kText = AsBufferLines({"ADJUSTMENT DATA", "A4 440.0 Hz", kEndMarkerLine});

class CaptureHistoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetData(doc, kText);
        doc.SetTitle(QStringLiteral("tuning.txt"));
        doc.SetModifiedFlag(true);
    }

    QString Keep(const QDateTime& when = kMoment, const char* kind = "DD")
    {
        QString error;
        const QString path = history.Keep(doc, kind, &error, when);
        EXPECT_FALSE(path.isEmpty()) << error.toStdString();
        return path;
    }

    static std::string NameOf(const QString& path) { return QFileInfo(path).fileName().toStdString(); }

    TempWorkDir dir;
    MessageRecorder boxes;
    CKorvaDoc doc;
    CCaptureHistory history{QString::fromStdString(dir.file("captures"))};
};

TEST_F(CaptureHistoryTest, KeepsTheBytesASaveWritesUnderItsMomentAndKind)
{
    const QString first = Keep();
    const QString second = Keep();
    const QString third = Keep(kMoment, "DA");

    EXPECT_EQ(NameOf(first), "2026-12-09_14-03-05_DD.txt");
    EXPECT_EQ(NameOf(second), "2026-12-09_14-03-05_DD-2.txt");
    EXPECT_EQ(NameOf(third), "2026-12-09_14-03-05_DA.txt");
    EXPECT_EQ(ReadWholeFile(first.toStdString()), AsSaved(kText));
    EXPECT_EQ(ReadWholeFile(second.toStdString()), ReadWholeFile(first.toStdString()));
    // The history is no save: the document's file, title and question stay as they were.
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetTitle(), QStringLiteral("tuning.txt"));
    EXPECT_TRUE(doc.GetPathName().isEmpty());
    EXPECT_TRUE(boxes.texts.empty());

    const std::vector<CCapture> captures = history.List();
    ASSERT_EQ(captures.size(), 3u);
    EXPECT_EQ(NameOf(captures[0].path), NameOf(second));
    EXPECT_EQ(captures[0].when, kMoment);
    EXPECT_EQ(captures[0].kind, QStringLiteral("DD"));
    EXPECT_EQ(captures[0].lines, 3);
    EXPECT_EQ(captures[0].size, static_cast<int64_t>(ReadWholeFile(first.toStdString()).size()));
}

TEST_F(CaptureHistoryTest, KeepsTheNewest200AndLeavesOtherFilesAlone)
{
    const QDir folder(history.Folder());
    for (int i = 0; i < CCaptureHistory::kKept; ++i)
        Keep(kMoment.addSecs(i));
    // Names a capture could almost have, a folder and a link named like one.
    const std::vector<std::string> foreign = {"notes.txt", "2026-12-09_14-03-05_XX.txt", "2026-12-09_14-03-05_DD.txt~",
                                              "2026-13-40_99-99-99_DA.txt"};
    for (const std::string& name : foreign)
        WriteWholeFile(folder.filePath(QString::fromStdString(name)).toStdString(), "mine");
    std::filesystem::create_directory(folder.filePath(QStringLiteral("2026-12-08_10-00-00_DA.txt")).toStdString());
    std::filesystem::create_symlink(dir.file("elsewhere"), folder.filePath(QStringLiteral("2026-12-08_10-00-01_DA.txt")).toStdString());
    ASSERT_EQ(history.List().size(), static_cast<size_t>(CCaptureHistory::kKept));

    const QString newest = Keep(kMoment.addDays(1));

    const std::vector<CCapture> captures = history.List();
    ASSERT_EQ(captures.size(), static_cast<size_t>(CCaptureHistory::kKept));
    EXPECT_EQ(captures.front().path, newest);
    EXPECT_EQ(captures.back().when, kMoment.addSecs(1));
    EXPECT_FALSE(QFileInfo::exists(folder.filePath(QStringLiteral("2026-12-09_14-03-05_DD.txt"))));
    for (const std::string& name : foreign)
        EXPECT_EQ(ReadWholeFile(folder.filePath(QString::fromStdString(name)).toStdString()), "mine") << name;
    EXPECT_TRUE(QFileInfo(folder.filePath(QStringLiteral("2026-12-08_10-00-00_DA.txt"))).isDir());
    EXPECT_FALSE(history.Remove(folder.filePath(QStringLiteral("notes.txt"))));
    EXPECT_TRUE(history.Remove(newest));
    EXPECT_FALSE(QFileInfo::exists(newest));
}

// Captures named after a clock that was ahead (or copied from another machine) are not newer
// for that: the one written longest ago goes, and never the capture just written.
TEST_F(CaptureHistoryTest, CaptureJustWrittenStaysWhenTheOthersAreNamedInTheFuture)
{
    const QDateTime now = QDateTime::currentDateTime();
    std::vector<QString> future;
    for (int i = 0; i < CCaptureHistory::kKept; ++i) {
        future.push_back(Keep(kMoment.addYears(10).addSecs(i)));
        QFile file(future.back());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(now.addSecs(-3600 + i), QFileDevice::FileModificationTime));
    }

    const QString justWritten = Keep(kMoment);

    EXPECT_TRUE(QFileInfo::exists(justWritten));
    EXPECT_EQ(history.List().size(), static_cast<size_t>(CCaptureHistory::kKept));
    EXPECT_FALSE(QFileInfo::exists(future.front()));
    EXPECT_TRUE(QFileInfo::exists(future[1]));
}

TEST_F(CaptureHistoryTest, FolderThatCannotBeMadeIsReportedAndChangesNothing)
{
    WriteWholeFile(dir.file("blocked"), "a file where the folder would be");
    const CCaptureHistory blocked(QString::fromStdString(dir.file("blocked/captures")));
    QString error;
    EXPECT_TRUE(blocked.Keep(doc, "DA", &error, kMoment).isEmpty());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(blocked.List().empty());
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(boxes.texts.empty());
}

TEST(CaptureHistoryFolder, FollowsTheDataHome)
{
    TempWorkDir dir;
    EXPECT_EQ(CCaptureHistory::DefaultFolder().toStdString(), dir.file("data") + "/korva/captures");
    setenv("XDG_DATA_HOME", "relative/ignored", 1);
    EXPECT_EQ(CCaptureHistory::DefaultFolder(), QDir::homePath() + QStringLiteral("/.local/share/korva/captures"));
}

}  // namespace

// What the automatic backups ask: the newest capture of a kind that holds whole data, judged
// from its file, newer captures that are cut short, damaged or named in the future passed over.
TEST_F(CaptureHistoryTest, NewestWholeCaptureOfAKindIsJudgedFromItsFile)
{
    CCapture found;
    EXPECT_FALSE(history.NewestWhole("DA", kMoment, &found)) << "an empty history";
    const QString whole = Keep(kMoment.addDays(-3), "DA");
    Keep(kMoment.addDays(-1), "DD");
    const QString cutShort = Keep(kMoment.addSecs(-120), "DA");
    WriteWholeFile(cutShort.toStdString(), AsSaved(AsBufferLines({"ALL DATA", "A4 440.0 Hz"})));
    const QString withNul = Keep(kMoment.addSecs(-60), "DA");
    WriteWholeFile(withNul.toStdString(), std::string("ALL DATA\r\nA4 4") + '\0' + "40.0 Hz\r\n" + kEndMarkerLine + "\r\n");
    Keep(kMoment.addDays(1), "DA");

    ASSERT_TRUE(history.NewestWhole("DA", kMoment, &found));
    EXPECT_EQ(found.path, whole);
    EXPECT_EQ(found.when, kMoment.addDays(-3));
    ASSERT_TRUE(history.NewestWhole("DD", kMoment, &found));
    EXPECT_EQ(found.when, kMoment.addDays(-1));
    EXPECT_FALSE(history.NewestWhole("DT", kMoment, &found));

    // As a load reads it: what follows the end line does not count, and lines that end in LF
    // alone are no lines.
    WriteWholeFile(withNul.toStdString(), std::string("ALL DATA\n") + kEndMarkerLine + "\n");
    WriteWholeFile(cutShort.toStdString(), std::string("ALL DATA\r\n") + kEndMarkerLine + "\r\nrest\r\n");
    ASSERT_TRUE(history.NewestWhole("DA", kMoment, &found));
    EXPECT_EQ(found.path, cutShort);
}
