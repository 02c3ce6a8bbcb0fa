#include "TransferLog.h"

#include "LogFormat.h"

#include <QDateTime>
#include <QFile>

#include <algorithm>
#include <utility>

namespace {
constexpr char kEot = 0x04;
constexpr char kCR = 0x0D;
constexpr char kLF = 0x0A;
}  // namespace

CTransferLog& CTransferLog::Program()
{
    static CTransferLog log;
    return log;
}

CTransferLog::CTransferLog(qint64 joinMs)
    : m_remark(QStringLiteral("# korva transfer log of the run started %1; times in ms since the port was opened\n")
                   .arg(QDateTime::currentDateTime().toString(Qt::ISODate))
                   .toUtf8()),
      m_nJoinMs(joinMs)
{
    m_clock.start();
}

CTransferLog::~CTransferLog() = default;

void CTransferLog::StartClock()
{
    FlushPending();
    m_clock.restart();
}

qint64 CTransferLog::Now() const
{
    return m_clock.elapsed();
}

void CTransferLog::Add(const char* kind, const QString& text)
{
    if (m_bSuspended)
        return;
    FlushPending();
    Append(kind, text.toUtf8(), Now());
}

void CTransferLog::BeginTransfer(const QString& what)
{
    Add(kLogTransfer, what);
}

void CTransferLog::AddBytes(Direction direction, const char* data, qsizetype size)
{
    if (m_bSuspended)
        return;
    if (direction == kSent)
        AddSent(data, size);
    else
        AddReceived(data, size);
}

void CTransferLog::AddSent(const char* data, qsizetype size)
{
    FlushReceived();
    for (qsizetype i = 0; i < size; ++i) {
        if (m_pendingSent.isEmpty())
            m_nPendingSentMs = Now();
        m_pendingSent += data[i];
        if (data[i] == kLF || m_pendingSent.size() >= kMostBytesInEvent)
            FlushSent();
    }
}

void CTransferLog::AddReceived(const char* data, qsizetype size)
{
    FlushSent();
    const qint64 now = Now();
    if (!m_pendingReceived.isEmpty() && now - m_nPendingReceivedMs > m_nJoinMs)
        FlushReceived();
    for (qsizetype i = 0; i < size; ++i) {
        const char c = data[i];
        // A CR that no LF follows has ended its line.
        if (m_pendingReceived.endsWith(kCR) && c != kLF)
            FlushReceived();
        if (m_pendingReceived.isEmpty())
            m_nPendingReceivedMs = now;
        m_pendingReceived += c;
        if (c == kLF || c == kEot || m_pendingReceived.size() >= kMostBytesInEvent)
            FlushReceived();
    }
    // A join time of 0 shows every piece as it came.
    if (m_nJoinMs == 0)
        FlushReceived();
}

void CTransferLog::FlushSent()
{
    if (m_pendingSent.isEmpty())
        return;
    const QByteArray line = std::exchange(m_pendingSent, QByteArray());
    Append(kLogSent, EscapeBytes(line.constData(), line.size()), m_nPendingSentMs);
}

void CTransferLog::FlushReceived()
{
    if (m_pendingReceived.isEmpty())
        return;
    const QByteArray line = std::exchange(m_pendingReceived, QByteArray());
    Append(kLogReceived, EscapeBytes(line.constData(), line.size()), m_nPendingReceivedMs);
}

void CTransferLog::FlushPending()
{
    FlushSent();
    FlushReceived();
}

void CTransferLog::Append(const char* kind, const QByteArray& text, qint64 ms)
{
    QByteArray line = EventLine(ms, kind, text);
    Write(line);
    m_nKeptBytes += line.size();
    m_events.push_back(std::move(line));
    while (m_nKeptBytes > kKeptBytes && !m_events.empty()) {
        m_nKeptBytes -= m_events.front().size();
        m_events.pop_front();
        ++m_nFirstKept;
    }
}

void CTransferLog::Write(const QByteArray& line)
{
    if (m_pFile)
        m_pFile->write(line);
}

bool CTransferLog::WriteTo(const QString& path, QString* error)
{
    FlushPending();
    m_pFile.reset();
    if (path.isEmpty())
        return true;
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        if (error)
            *error = file->errorString();
        return false;
    }
    file->write(Text());
    m_pFile = std::move(file);
    return true;
}

QString CTransferLog::FilePath() const
{
    return m_pFile ? m_pFile->fileName() : QString();
}

QByteArray CTransferLog::Text() const
{
    return m_remark + TextFrom(m_nFirstKept);
}

QByteArray CTransferLog::TextFrom(quint64 first) const
{
    QByteArray text;
    const size_t from = first > m_nFirstKept ? static_cast<size_t>(first - m_nFirstKept) : 0;
    for (size_t i = from; i < m_events.size(); ++i)
        text += m_events[i];
    return text;
}

QByteArray CTransferLog::LastTransfer() const
{
    const QByteArray kept = LastTransferOf(TextFrom(m_nFirstKept));
    if (!kept.isEmpty() || !m_pFile)
        return kept;
    QFile file(m_pFile->fileName());
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    // Events cut at the front of the tail are no loss: only the last transfer is wanted.
    file.seek(std::max<qint64>(0, file.size() - kKeptBytes));
    return LastTransferOf(file.readAll());
}

void CTransferLog::Clear()
{
    FlushPending();
    m_nFirstKept = Count();
    m_nClearedAt = m_nFirstKept;
    m_events.clear();
    m_nKeptBytes = 0;
    ++m_nClears;
}
