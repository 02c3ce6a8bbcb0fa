#pragma once
// A byte-wise archive over a file, in store or load direction. It keeps its own buffer so that
// one call per byte stays cheap; a read past the end (or a read error) marks the archive failed
// and the document's load stops there.
#include <QIODevice>
#include <cstddef>

namespace framework {

class CArchive {
public:
    enum Mode { store, load };

    CArchive(QIODevice& file, Mode mode);
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsStoring() const { return m_mode == store; }

    // Load: the next byte; false at the end of the file or on a read error (archive failed).
    bool ReadByte(unsigned char& b)
    {
        if (m_pos == m_end && !Fill())
            return false;
        b = m_buffer[m_pos++];
        return true;
    }

    // Store: appends one byte; a write error marks the archive failed.
    void WriteByte(unsigned char b)
    {
        if (m_pos == kBufferSize)
            Flush();
        m_buffer[m_pos++] = b;
    }

    // The content does not fit the document's format: fails the load like a file that ends early.
    void FailFormat() { m_bFailed = true; }

    // Store: writes what is buffered; false when the file refused it.
    bool Flush();
    bool Failed() const { return m_bFailed; }

private:
    bool Fill();

    static constexpr std::size_t kBufferSize = 64 * 1024;
    QIODevice& m_file;
    Mode m_mode;
    bool m_bFailed = false;
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    unsigned char m_buffer[kBufferSize];
};

}  // namespace framework
