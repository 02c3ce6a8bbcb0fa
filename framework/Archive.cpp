#include "Archive.h"

#include "SafeWrite.h"

namespace framework {

CArchive::CArchive(QIODevice& file, Mode mode) : m_file(file), m_mode(mode) {}

CArchive::~CArchive()
{
    if (IsStoring())
        Flush();
}

bool CArchive::Fill()
{
    if (m_bFailed)
        return false;
    const qint64 got = m_file.read(reinterpret_cast<char*>(m_buffer), kBufferSize);
    if (got <= 0) {
        m_bFailed = true;
        return false;
    }
    m_pos = 0;
    m_end = static_cast<std::size_t>(got);
    return true;
}

bool CArchive::Flush()
{
    if (IsStoring() && m_pos > 0) {
        if (!WriteAll(m_file, reinterpret_cast<const char*>(m_buffer), static_cast<qint64>(m_pos)))
            m_bFailed = true;
        m_pos = 0;
    }
    return !m_bFailed;
}

}  // namespace framework
