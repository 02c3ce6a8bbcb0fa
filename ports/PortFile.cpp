#include "PortFile.h"

#include "PortNames.h"
#include "SafeWrite.h"

#include <QByteArray>
#include <QString>

#include <cstdio>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What is read of the port file: the first line, up to nine characters.
constexpr size_t kMaxLineChars = 9;

// A port file written with a text editor ends with one line end, LF or CR LF; the name before
// it counts as the name.
std::string_view WithoutLineEnd(std::string_view line)
{
    if (line.size() >= 1 && line.back() == '\n')
        line.remove_suffix(line.size() >= 2 && line[line.size() - 2] == '\r' ? 2 : 1);
    return line;
}

// Only a regular file is the port file: reading a FIFO or a device in its place would wait for
// a writer that never comes. Anything else counts as a file that cannot be opened.
bool IsNoRegularFile(int fd)
{
    struct stat st;
    return ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode);
}

std::FILE* OpenPortFileToRead()
{
    // Opened for reading and writing, as the choice is written back to the same place: a file
    // the user cannot change counts as missing.
    const int fd = ::open(kPortFileName, O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    if (IsNoRegularFile(fd)) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file)
        ::close(fd);
    return file;
}

}  // namespace

std::optional<int32_t> ReadPortFile()
{
    return ReadPortFileContent().index;
}

PortFileContent ReadPortFileContent()
{
    // It is never created here.
    std::FILE* file = OpenPortFileToRead();
    if (!file)
        return {};
    // The first line, at most nine characters, a line end within them kept as text. Counted,
    // not NUL-terminated: a NUL in the file is a character like any other.
    char line[kMaxLineChars];
    size_t length = 0;
    for (int c; length < kMaxLineChars && (c = std::fgetc(file)) != EOF;) {
        line[length++] = static_cast<char>(c);
        if (c == '\n')
            break;
    }
    std::fclose(file);
    const int32_t index = PortIndexForName(WithoutLineEnd(std::string_view(line, length)));
    if (index < 0)
        return {true, std::nullopt};
    return {true, index};
}

// Through the safe write, so that a full disc or a crash at the wrong moment leaves the old
// choice rather than an empty file; whatever stands in the place of a regular file stays.
bool WritePortFile(int32_t index)
{
    struct stat st;
    if (::stat(kPortFileName, &st) == 0 && !S_ISREG(st.st_mode))
        return false;
    return framework::SafeWriteBytes(QString::fromLatin1(kPortFileName), QByteArray(PortNameForIndex(index)));
}
