#include "Einstell1.h"

#include "PortNames.h"
#include "resource.h"

#include <cstdio>
#include <string_view>

namespace {

// What is read of the port file: the first line, up to nine characters.
constexpr size_t kMaxLineChars = 9;

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
    std::FILE* file = std::fopen(kPortFileName, "r+b");
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
    const int32_t index = PortIndexForName(std::string_view(line, length));
    if (index >= 0) {
        m_strPort = QString::fromLatin1(PortNameForIndex(index));
        m_nPortIndex = index;
    }
}

void CEinstell1::WritePortFile() const
{
    // A file that cannot be written is not reported: the choice holds until the program ends.
    std::FILE* file = std::fopen(kPortFileName, "w+b");
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
    m_strPort = text;
    const QByteArray name = m_strPort.toLatin1();
    const int32_t index = PortIndexForName(std::string_view(name.constData(), static_cast<size_t>(name.size())));
    m_nPortIndex = index >= 0 ? index : 0;
    WritePortFile();
}
