#include "Einstell1.h"

#include "MessageBox.h"
#include "PortNames.h"
#include "resource.h"

#include <cstdio>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What is read of the port file: the first line, up to nine characters.
constexpr size_t kMaxLineChars = 9;
constexpr const char* kNoSuchPortText = "Choose one of the ports COM1 to COM16.";

framework::DialogTemplate MakeInterfaceTemplate()
{
    QStringList ports;
    for (int32_t i = 0; i < kPortCount; ++i)
        ports << QString::fromLatin1(PortNameForIndex(i));
    using framework::DialogControl;
    return {QStringLiteral("Dialog"), 123, 46, QStringLiteral("MS Sans Serif"), 8,
            {
                {DialogControl::comboBox, IDC_COMBO1, 7, 7, 109, 158, QString(), ports},
                {DialogControl::defPushButton, 1, 7, 25, 58, 14, QStringLiteral("OK"), {}},
                {DialogControl::pushButton, 2, 66, 25, 50, 14, QStringLiteral("Cancel"), {}},
            }};
}

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
    const int fd = ::open(CEinstell1::kPortFileName, O_RDWR | O_NONBLOCK | O_CLOEXEC | (create ? O_CREAT : 0), 0666);
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

const framework::DialogTemplate& InterfaceTemplate()
{
    static const framework::DialogTemplate dialogTemplate = MakeInterfaceTemplate();
    return dialogTemplate;
}

}  // namespace

CEinstell1::CEinstell1(QWidget* parent) : framework::CDialog(InterfaceTemplate(), parent)
{
    ReadPortFile();
}

CEinstell1::~CEinstell1() = default;

void CEinstell1::ReadPortFile()
{
    m_strPort = QStringLiteral("COM1");
    m_nPortIndex = 0;
    // Opened for reading and writing, as the settings are written back to the same place:
    // a file the user cannot change counts as missing. It is never created here.
    std::FILE* file = OpenPortFile("r+b");
    if (!file)
        return;
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
    if (index >= 0) {
        m_strPort = QString::fromLatin1(PortNameForIndex(index));
        m_nPortIndex = index;
    }
}

void CEinstell1::ChoosePort(int32_t index)
{
    m_nPortIndex = index;
    m_strPort = QString::fromLatin1(PortNameForIndex(index));
    WritePortFile();
}

void CEinstell1::WritePortFile() const
{
    // A file that cannot be written is not reported: the choice holds until the program ends.
    std::FILE* file = OpenPortFile("w+b");
    if (!file)
        return;
    std::fputs(PortNameForIndex(m_nPortIndex), file);
    std::fclose(file);
}

void CEinstell1::DoDataExchange(framework::CDataExchange* pDX)
{
    framework::CDialog::DoDataExchange(pDX);
    // The text is taken over only once it has passed the length check, so that Cancel after
    // a refused OK leaves the settings as they were.
    QString text = m_strPort;
    framework::DDX_CBString(pDX, IDC_COMBO1, text);
    if (!framework::DDV_MaxChars(pDX, text, kMaxPortChars))
        return;
    if (!pDX->m_bSaveAndValidate)
        return;
    // What the user sees in the field is what is used: a name that is no port is refused.
    const QByteArray name = text.toLatin1();
    const int32_t index = PortIndexForName(std::string_view(name.constData(), static_cast<size_t>(name.size())));
    if (index < 0) {
        framework::AfxMessageBox(QString::fromLatin1(kNoSuchPortText), framework::MB_ICONEXCLAMATION);
        pDX->Fail();
        return;
    }
    m_strPort = text;
    m_nPortIndex = index;
    WritePortFile();
}
