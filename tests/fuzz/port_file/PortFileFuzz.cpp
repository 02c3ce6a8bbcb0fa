// Any bytes as the content of "VEQ.INI": the settings object reads the file when it is made and
// must come out with a port index from 0 to 15, which is not 0 only when the file's first line
// is exactly one of the names "COM2" to "COM16", followed by nothing, LF, or CR LF. The same
// bytes, typed into the settings dialog and taken with OK, must give the index of the exact
// name and leave exactly that name in the file; any other text is refused with one message
// and changes nothing.
#include "Einstell1.h"
#include "FuzzCheck.h"
#include "MessageBox.h"
#include "PortFile.h"
#include "PortNames.h"
#include "resource.h"

#include <QComboBox>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace {

constexpr const char* kPortFile = kPortFileName;
constexpr int kMaxPortChars = CEinstell1::kMaxPortChars;
CEinstell1* g_pDialog = nullptr;
int g_nMessages = 0;

std::string NameOf(int32_t index) { return "COM" + std::to_string(index + 1); }

// The index of a text that is exactly a port name, compared byte for byte; else 0.
int32_t ExactIndex(const std::string& text)
{
    for (int32_t i = 0; i < kPortCount; ++i) {
        if (text == NameOf(i))
            return i;
    }
    return 0;
}

// The index the file stands for: the first line (at most nine characters, its LF kept) is read,
// and one LF or CR LF after a name counts with it.
int32_t ExpectedFileIndex(const std::string& content)
{
    const size_t lineEnd = content.find('\n');
    std::string line = content.substr(0, std::min<size_t>(lineEnd == std::string::npos ? content.size() : lineEnd + 1, 9));
    if (!line.empty() && line.back() == '\n')
        line.erase(line.size() >= 2 && line[line.size() - 2] == '\r' ? line.size() - 2 : line.size() - 1);
    return ExactIndex(line);
}

std::string ReadPortFile()
{
    std::ifstream in(kPortFile, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WritePortFile(const std::string& content)
{
    std::FILE* file = std::fopen(kPortFile, "wb");
    FUZZ_CHECK(file != nullptr);
    FUZZ_CHECK(std::fwrite(content.data(), 1, content.size(), file) == content.size());
    std::fclose(file);
}

void CheckSettings(const CEinstell1& settings, int32_t expected)
{
    FUZZ_CHECK(settings.m_nPortIndex >= 0 && settings.m_nPortIndex < kPortCount);
    FUZZ_CHECK(settings.m_nPortIndex == expected);
    FUZZ_CHECK(settings.m_strPort.toStdString() == NameOf(expected));
}

QComboBox* Combo() { return qobject_cast<QComboBox*>(g_pDialog->GetDlgItem(IDC_COMBO1)); }

// Opens the dialog on the settings read from the file, types the text and presses OK.
void CheckExchange(const CEinstell1& settings, const std::string& content)
{
    g_pDialog->m_strPort = settings.m_strPort;
    g_pDialog->m_nPortIndex = settings.m_nPortIndex;
    FUZZ_CHECK(g_pDialog->UpdateData(false));
    FUZZ_CHECK(Combo()->currentText() == settings.m_strPort);

    Combo()->setEditText(QString::fromLatin1(content.data(), static_cast<qsizetype>(content.size())));
    const QString typed = Combo()->currentText();
    const int messagesBefore = g_nMessages;
    const bool bTaken = g_pDialog->UpdateData(true);
    // Every character that is not Latin-1 reads as '?', which no name has.
    const int32_t index = ExactIndex(typed.toLatin1().toStdString());
    if (typed.size() > kMaxPortChars || (index == 0 && typed != QStringLiteral("COM1"))) {
        FUZZ_CHECK(!bTaken);
        FUZZ_CHECK(g_nMessages == messagesBefore + 1);
        FUZZ_CHECK(g_pDialog->m_strPort == settings.m_strPort);
        FUZZ_CHECK(g_pDialog->m_nPortIndex == settings.m_nPortIndex);
        FUZZ_CHECK(ReadPortFile() == content);
        return;
    }
    FUZZ_CHECK(bTaken);
    FUZZ_CHECK(g_nMessages == messagesBefore);
    FUZZ_CHECK(g_pDialog->m_strPort == typed);
    FUZZ_CHECK(g_pDialog->m_nPortIndex == index);
    FUZZ_CHECK(ReadPortFile() == NameOf(index));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    EnterFuzzWorkDir();
    StartOffscreenApplication();
    framework::SetMessageBoxHandler([](const framework::MessageBoxRequest&) {
        ++g_nMessages;
        return static_cast<int>(framework::IDOK);
    });
    // One dialog window for the whole run: building its widgets anew for every input would
    // cost more than the exchange itself.
    g_pDialog = new CEinstell1;
    FUZZ_CHECK(g_pDialog->Create());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    const std::string content(reinterpret_cast<const char*>(bytes), size);
    WritePortFile(content);
    const CEinstell1 settings;
    CheckSettings(settings, ExpectedFileIndex(content));
    CheckExchange(settings, content);
    return 0;
}
