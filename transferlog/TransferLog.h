#pragma once
// The transfer log of a run: what passed on the line, with the port's events and the
// controller's states, as the text of LogFormat.h. The newest few megabytes are kept in
// memory, where the log window follows them; a file given with WriteTo gets every event as
// it comes, so that nothing is lost if the program dies. One thread feeds and reads it.
#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <deque>
#include <memory>

class QFile;

class CTransferLog {
public:
    // What memory keeps at most; the oldest events go first.
    static constexpr qsizetype kKeptBytes = 4 * 1024 * 1024;
    // The bytes of one event at most: a longer run without a line end takes several.
    static constexpr qsizetype kMostBytesInEvent = 500;
    // Pieces of a received line that come within this time of its first make one event: the
    // reads cut the device's lines anywhere. A pause longer than this shows as a new event.
    static constexpr qint64 kJoinMs = 100;

    enum Direction { kSent, kReceived };

    // The log of the program's run, which the device link and the controller feed.
    static CTransferLog& Program();

    explicit CTransferLog(qint64 joinMs = kJoinMs);
    ~CTransferLog();
    CTransferLog(const CTransferLog&) = delete;
    CTransferLog& operator=(const CTransferLog&) = delete;

    // The port has opened: the times of the events count from now.
    void StartClock();
    // Milliseconds since the clock started (since the log began, before the first port opened).
    qint64 Now() const;

    // An event of the port or the controller, with its text in words.
    void Add(const char* kind, const QString& text);
    // Bytes that passed the port, each direction gathered into one event per line, whatever
    // pieces the bytes passed in: a line ends after LF, after a CR that no LF follows, and
    // after EOT. A received line whose next piece comes later than the join time after its
    // first shows in an event per piece, each with its time.
    void AddBytes(Direction direction, const char* data, qsizetype size);
    // A dialogue with the device begins: the TRANSFER event that LastTransferOf looks for.
    void BeginTransfer(const QString& what);

    // From now on every event goes to the file at path as well, appended behind what it holds
    // (a run's first remark and the events kept so far first). False, with the reason, when the
    // file cannot be opened; an empty path stops writing.
    bool WriteTo(const QString& path, QString* error);
    QString FilePath() const;

    // The run's remark and the events kept, oldest first.
    QByteArray Text() const;
    // Events are numbered from 0 as they come: the number the next one gets, and the oldest
    // kept (Count() when none is).
    quint64 Count() const { return m_nFirstKept + m_events.size(); }
    quint64 FirstKept() const { return m_nFirstKept; }
    // The events kept from number first on (from the oldest kept, when first was dropped).
    QByteArray TextFrom(quint64 first) const;
    // The events of the last dialogue with the device (LastTransferOf) that memory keeps, or
    // else that the file holds; empty when neither holds one.
    QByteArray LastTransfer() const;
    // While suspended nothing is recorded: what logging costs can so be measured (bench/).
    void SetSuspended(bool suspended) { m_bSuspended = suspended; }
    // Forgets the events kept; the file keeps what it got. Each Clear counts.
    void Clear();
    int Clears() const { return m_nClears; }
    // The number of the first event after the last Clear (0 before any).
    quint64 ClearedAt() const { return m_nClearedAt; }

private:
    void Append(const char* kind, const QByteArray& text, qint64 ms);
    void FlushSent();
    void FlushReceived();
    void FlushPending();
    void AddSent(const char* data, qsizetype size);
    void AddReceived(const char* data, qsizetype size);
    void Write(const QByteArray& line);

    QByteArray m_remark;
    QElapsedTimer m_clock;
    std::deque<QByteArray> m_events;
    quint64 m_nFirstKept = 0;
    qsizetype m_nKeptBytes = 0;
    int m_nClears = 0;
    quint64 m_nClearedAt = 0;
    bool m_bSuspended = false;
    // A line being sent in pieces, and when its first piece went; the same of a line received.
    QByteArray m_pendingSent;
    qint64 m_nPendingSentMs = 0;
    QByteArray m_pendingReceived;
    qint64 m_nPendingReceivedMs = 0;
    qint64 m_nJoinMs;
    std::unique_ptr<QFile> m_pFile;
};
