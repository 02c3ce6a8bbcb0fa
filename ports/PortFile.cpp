#include "PortFile.h"

#include "PortNames.h"

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
std::FILE* OpenPortFile(const char* mode)
{
    const bool create = mode[0] == 'w';
    const int fd = ::open(kPortFileName, O_RDWR | O_NONBLOCK | O_CLOEXEC | (create ? O_CREAT : 0), 0666);
    if (fd < 0)
        return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    if (create && ::ftruncate(fd, 0) != 0) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, mode);
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
    // Opened for reading and writing, as the choice is written back to the same place: a file
    // the user cannot change counts as missing. It is never created here.
    std::FILE* file = OpenPortFile("r+b");
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

bool WritePortFile(int32_t index)
{
    std::FILE* file = OpenPortFile("w+b");
    if (!file)
        return false;
    const bool written = std::fputs(PortNameForIndex(index), file) >= 0;
    return std::fclose(file) == 0 && written;
}
