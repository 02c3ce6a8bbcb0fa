// The transfer log as a user reads it and a replay reads it back: the bytes shown readably,
// one event a line, what memory keeps, the file written as events come, the last transfer.
#include "LogFormat.h"
#include "TempDir.h"
#include "TransferLog.h"

#include <QFile>
#include <QList>

#include <gtest/gtest.h>

#include <string>

namespace {

// The event lines of a log's text without their times: "RX       AB<CR><LF>".
QList<QByteArray> Events(const QByteArray& text)
{
    QList<QByteArray> events;
    for (const QByteArray& line : text.split('\n')) {
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        events << line.mid(9);
    }
    return events;
}

QByteArray FileText(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

}  // namespace

TEST(LogFormat, ShowsEveryByteReadably)
{
    struct Row {
        const char* what;
        std::string bytes;
        const char* shown;
    } rows[] = {
        {"a device line", "T12 WERCKMEISTER V\r\n", "T12 WERCKMEISTER V<CR><LF>"},
        {"the end of a transfer", "\x04", "<EOT>"},
        {"flow control", "\x11\x13", "<XON><XOFF>"},
        {"a damaged character", std::string("A\0B", 3), "A<NUL>B"},
        {"the eighth bit", "\x93\x80\xFF", "<0x93><0x80><0xFF>"},
        {"the escape's own sign", "a<b>", "a<0x3C>b>"},
        {"an indented line", "  A4 440.00 HZ\r\n", "  A4 440.00 HZ<CR><LF>"},
        {"a blank that ends the text stays visible", " x y ", " x y<0x20>"},
        {"a lone blank", " ", "<0x20>"},
        {"tab and delete", "\t\x7F", "<HT><DEL>"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(EscapeBytes(r.bytes.data(), static_cast<qsizetype>(r.bytes.size())), QByteArray(r.shown)) << r.what;
}

TEST(LogFormat, EventLinesHaveTheirColumns)
{
    EXPECT_EQ(EventLine(12, kLogSent, "DA<CR><LF>"), QByteArray("      12 TX       DA<CR><LF>\n"));
    EXPECT_EQ(EventLine(123456789, kLogTransfer, "all data (DA)"), QByteArray("123456789 TRANSFER all data (DA)\n"));
    EXPECT_EQ(EventLine(0, kLogPurge, ""), QByteArray("       0 PURGE   \n"));
}

TEST(LogFormat, FindsTheLastTransfer)
{
    const QByteArray log = "# remark\n"
                           "       0 OPEN     COM1\n"
                           "      10 TRANSFER all data (DA)\n"
                           "      11 TX       DA<CR><LF>\n"
                           "\n"
                           "      90 TRANSFER upload (DE) of 3 lines\n"
                           "      91 TX       DE<CR><LF>\n";
    EXPECT_EQ(LastTransferOf(log), QByteArray("      90 TRANSFER upload (DE) of 3 lines\n      91 TX       DE<CR><LF>\n"));
    EXPECT_EQ(LastTransferOf("      10 TRANSFER all data (DA)"), QByteArray("      10 TRANSFER all data (DA)"));
    EXPECT_EQ(LastTransferOf("# remark\n       0 OPEN     COM1\n"), QByteArray());
    EXPECT_EQ(LastTransferOf(""), QByteArray());
}

TEST(TransferLog, ReceivedBytesMakeOneEventPerLine)
{
    // A join time of 0 stands for pieces that come later than the join time after the first.
    constexpr qint64 kApart = 0;
    struct Row {
        const char* what;
        qint64 joinMs;
        std::vector<std::string> chunks;
        QList<QByteArray> events;
    } rows[] = {
        {"lines of one read", CTransferLog::kJoinMs, {"A\r\nB\r\n\x04"},
         {"RX       A<CR><LF>", "RX       B<CR><LF>", "RX       <EOT>"}},
        {"a line the reads cut is one", CTransferLog::kJoinMs, {"T12 WERCK", "MEISTER V\r", "\nX"},
         {"RX       T12 WERCKMEISTER V<CR><LF>"}},
        {"a line paused in stays in pieces", kApart, {"T12 WERCK", "MEISTER V\r\n"},
         {"RX       T12 WERCK", "RX       MEISTER V<CR><LF>"}},
        {"CR without LF ends a line", CTransferLog::kJoinMs, {"A\rB\r", "C"}, {"RX       A<CR>", "RX       B<CR>"}},
        {"an LF that comes apart", kApart, {"A\r", "\nB"}, {"RX       A<CR>", "RX       <LF>", "RX       B"}},
    };
    for (const Row& r : rows) {
        CTransferLog log(r.joinMs);
        for (const std::string& chunk : r.chunks)
            log.AddBytes(CTransferLog::kReceived, chunk.data(), static_cast<qsizetype>(chunk.size()));
        EXPECT_EQ(Events(log.Text()), r.events) << r.what;
    }
    // The rest of a line shows once another event comes.
    CTransferLog log;
    log.AddBytes(CTransferLog::kReceived, "T12 WERCK", 9);
    log.Add(kLogTimeout, QStringLiteral("no character for 1000 ms"));
    EXPECT_EQ(Events(log.Text()), (QList<QByteArray>{"RX       T12 WERCK", "TIMEOUT  no character for 1000 ms"}));
}

TEST(TransferLog, SentPiecesGatherIntoTheirLine)
{
    CTransferLog log;
    log.AddBytes(CTransferLog::kSent, "DA", 2);
    log.AddBytes(CTransferLog::kSent, "\r", 1);
    EXPECT_EQ(log.Count(), 0u);
    log.AddBytes(CTransferLog::kSent, "\nLINE 1\r\nLI", 11);
    // Another event ends the line that is going out.
    log.Add(kLogWrite, QStringLiteral("2 of 6 characters went out"));
    EXPECT_EQ(Events(log.Text()), (QList<QByteArray>{"TX       DA<CR><LF>", "TX       LINE 1<CR><LF>", "TX       LI",
                                                      "WRITE    2 of 6 characters went out"}));
}

TEST(TransferLog, AnOverlongRunIsCutIntoEventsOfBoundedSize)
{
    CTransferLog log;
    const std::string run(CTransferLog::kMostBytesInEvent * 2 + 7, 'x');
    log.AddBytes(CTransferLog::kReceived, run.data(), static_cast<qsizetype>(run.size()));
    log.Add(kLogNote, QStringLiteral("the rest"));
    const QList<QByteArray> events = Events(log.Text());
    ASSERT_EQ(events.size(), 4);
    EXPECT_EQ(events[0].size(), 9 + CTransferLog::kMostBytesInEvent);
    EXPECT_EQ(events[2], QByteArray("RX       xxxxxxx"));
}

TEST(TransferLog, MemoryKeepsTheNewestEventsAndNumbersThemAll)
{
    CTransferLog log;
    const QString text(200, QLatin1Char('n'));
    const quint64 events = CTransferLog::kKeptBytes / 200 + 100;
    for (quint64 i = 0; i < events; ++i)
        log.Add(kLogNote, QStringLiteral("%1 %2").arg(i).arg(text));
    EXPECT_EQ(log.Count(), events);
    EXPECT_GT(log.FirstKept(), 0u);
    EXPECT_LE(log.Text().size(), CTransferLog::kKeptBytes + 200);
    // The newest is kept, and asking from a dropped one gives what is kept.
    EXPECT_TRUE(log.TextFrom(events - 1).contains(QByteArray::number(events - 1) + ' '));
    EXPECT_EQ(log.TextFrom(0), log.TextFrom(log.FirstKept()));
    log.Clear();
    EXPECT_EQ(log.FirstKept(), events);
    EXPECT_EQ(Events(log.Text()), QList<QByteArray>{});
    EXPECT_EQ(log.Clears(), 1);
    EXPECT_EQ(log.ClearedAt(), events);
}

TEST(TransferLog, TheFileGetsEachEventAsItComes)
{
    TempWorkDir dir;
    const std::string path = dir.file("run.log");
    CTransferLog log;
    log.Add(kLogOpen, QStringLiteral("COM1 before the file"));
    QString error;
    ASSERT_TRUE(log.WriteTo(QString::fromStdString(path), &error)) << error.toStdString();
    EXPECT_EQ(log.FilePath(), QString::fromStdString(path));
    EXPECT_EQ(FileText(path), log.Text());
    log.BeginTransfer(QStringLiteral("all data (DA)"));
    log.AddBytes(CTransferLog::kReceived, "X\r\n", 3);
    // Written before anything else happens, not when the program ends.
    EXPECT_EQ(FileText(path), log.Text());
    log.Clear();
    EXPECT_TRUE(FileText(path).endsWith("RX       X<CR><LF>\n"));
    // The last transfer is the file's when memory no longer holds one.
    EXPECT_TRUE(log.LastTransfer().contains("TRANSFER all data (DA)\n"));

    // A second run appends to what the file holds.
    CTransferLog second;
    ASSERT_TRUE(second.WriteTo(QString::fromStdString(path), &error));
    EXPECT_EQ(FileText(path).count("# korva transfer log"), 2);
    EXPECT_FALSE(second.WriteTo(QString::fromStdString(dir.file("no/such/folder.log")), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(second.FilePath().isEmpty());
}
