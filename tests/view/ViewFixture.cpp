#include "ViewFixture.h"

#include "CmdTarget.h"
#include "resource.h"

#include <chrono>
#include <cstdlib>
#include <thread>
#include <unistd.h>

SimDevice::SimDevice(const sim::Settings& settings, const char* portVariable)
{
    std::string error;
    if (!sim::openPtyLine(m_line, error))
        throw std::runtime_error(error);
    setenv(portVariable, m_line.slavePath.c_str(), 1);
    m_engine = std::make_unique<sim::Engine>(m_line.master, settings);
    m_engine->start();
}

SimDevice::~SimDevice()
{
    m_engine.reset();  // stops the device and closes the master
    ::close(m_line.slave);
}

sim::Settings SimDevice::Fast()
{
    sim::Settings settings;
    settings.charsPerSecond = 0;
    return settings;
}

std::vector<std::string> SimDevice::Commands() const
{
    std::vector<std::string> commands;
    for (const sim::LogEntry& entry : m_engine->log()) {
        if (entry.kind == sim::LogEntry::Kind::Command)
            commands.push_back(entry.text);
    }
    return commands;
}

std::vector<std::string> SimDevice::DataLines() const
{
    std::vector<std::string> lines;
    for (const sim::LogEntry& entry : m_engine->log()) {
        if (entry.kind == sim::LogEntry::Kind::DataLine)
            lines.push_back(entry.text);
    }
    return lines;
}

bool SimDevice::WaitFor(const std::function<bool(const std::vector<sim::LogEntry>&)>& done, int timeoutMs) const
{
    constexpr int kPollMs = 5;
    for (int waited = 0;; waited += kPollMs) {
        if (done(m_engine->log()))
            return true;
        if (waited >= timeoutMs)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
}

bool SimDevice::WaitForCommand(const std::string& command, int timeoutMs) const
{
    return WaitFor(
        [&](const std::vector<sim::LogEntry>& log) {
            for (const sim::LogEntry& entry : log) {
                if (entry == sim::LogEntry{sim::LogEntry::Kind::Command, command})
                    return true;
            }
            return false;
        },
        timeoutMs);
}

bool SimDevice::LogStaysAt(size_t entries) const
{
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return m_engine->log().size() == entries;
}

void ViewTest::SetUp()
{
    unsetenv("V24_COM1");
    unsetenv("V24_COM2");
    CKorvaView::ResetProgramWide();
    CKorvaDoc::s_nIdleCountdown = 3;
    doc = std::make_unique<CKorvaDoc>();
    doc->OnNewDocument();
    view = std::make_unique<CKorvaView>();
    view->SetDocument(doc.get());
    view->resize(500, 150);
}

void ViewTest::TearDown()
{
    view.reset();
    doc.reset();
    device.reset();
    unsetenv("V24_COM1");
    unsetenv("V24_COM2");
}

void ViewTest::StartDevice(const sim::Settings& settings)
{
    device = std::make_unique<SimDevice>(settings);
}

void ViewTest::PointPortNowhere()
{
    setenv("V24_COM1", dir.file("no-such-port").c_str(), 1);
}

void ViewTest::Tick(int count)
{
    for (int i = 0; i < count; ++i)
        view->OnTimer(kTimer);
}

int ViewTest::TickWhileState(int32_t state, int maxTicks)
{
    int ticks = 0;
    while (State() == state && ticks < maxTicks) {
        Tick();
        ++ticks;
    }
    return ticks;
}

void ViewTest::Identify()
{
    Tick(kTicksToIdentify + 1);
    ASSERT_EQ(State(), CKorvaView::kStateIdle);
    ASSERT_EQ(view->m_nTicks, 0);
    ASSERT_EQ(view->m_bIdentified, 1);
}

bool ViewTest::Command(unsigned id)
{
    return framework::ExecuteCommand(*view, id);
}

bool ViewTest::Enabled(unsigned id)
{
    return framework::IsCommandEnabled(*view, id);
}

std::vector<unsigned> ViewTest::EnabledCommands()
{
    std::vector<unsigned> enabled;
    for (unsigned id : {ID_PUT_DATA, ID_ALL_DATA, ID_HISTORICAL_TEMPERAMENTS, ID_ADJUSTMENT_DATA,
                        ID_ACTUAL_INSTRUMENT, ID_DELIVERY_MODE}) {
        if (Enabled(id))
            enabled.push_back(id);
    }
    return enabled;
}

std::string ViewTest::Data() const
{
    return std::string(doc->m_data, static_cast<size_t>(doc->m_nDataSize));
}

void ViewTest::LoadLines(const std::vector<std::string>& lines)
{
    const std::string text = AsBufferLines(lines);
    text.copy(doc->m_data, text.size());
    doc->m_nDataSize = static_cast<int32_t>(text.size());
    doc->m_nLineCount = static_cast<int32_t>(lines.size());
    doc->ResetCursors();
}

std::string AsBufferLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r";
    return text;
}
