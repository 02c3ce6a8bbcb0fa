#pragma once
// A view on its document in a fresh working folder (no VEQ.INI, so port index 0, "COM1"),
// every message box answered and recorded, and the simulated device on COM1 when a test
// starts one. Tests drive the state machine by calling OnTimer(101) themselves.
#include "KorvaDoc.h"
#include "KorvaView.h"
#include "MessageRecorder.h"
#include "TempDir.h"
#include "resource.h"

#include "engine.h"
#include "line_setup.h"

#include <gtest/gtest.h>

#include <QString>

#include <functional>
#include <ostream>
#include <memory>
#include <string>
#include <vector>

// The simulator on a new pseudo-terminal, named by V24_COM1 (or the variable given).
class SimDevice {
public:
    explicit SimDevice(const sim::Settings& settings = Fast(), const char* portVariable = "V24_COM1");
    ~SimDevice();
    SimDevice(const SimDevice&) = delete;
    SimDevice& operator=(const SimDevice&) = delete;

    // Unpaced, so that tests do not wait for the line.
    static sim::Settings Fast();

    sim::Engine& engine() { return *m_engine; }
    // The commands the device has taken so far, in order.
    std::vector<std::string> Commands() const;
    std::vector<std::string> DataLines() const;
    // Waits, bounded, until the device's log satisfies done.
    bool WaitFor(const std::function<bool(const std::vector<sim::LogEntry>&)>& done, int timeoutMs = 5000) const;
    bool WaitForCommand(const std::string& command, int timeoutMs = 5000) const;
    // The log still holds `entries` entries after a grace time in which the device, which
    // answers within milliseconds, would have logged anything sent before.
    bool LogStaysAt(size_t entries) const;

private:
    sim::PtyLine m_line;
    std::unique_ptr<sim::Engine> m_engine;
};

// The commands that identification and File New enable, in table order.
const std::vector<unsigned> kDeviceCommands = {ID_ALL_DATA, ID_HISTORICAL_TEMPERAMENTS, ID_ADJUSTMENT_DATA,
                                               ID_ACTUAL_INSTRUMENT, ID_DELIVERY_MODE};

class ViewTest : public ::testing::Test {
protected:
    static constexpr unsigned kTimer = CKorvaView::kTimerId;
    // Ticks of a search cycle up to and including the read that identifies the device, and
    // the tick of state 0 that follows.
    static constexpr int kTicksToIdentify = 401;

    void SetUp() override;
    void TearDown() override;

    void StartDevice(const sim::Settings& settings = SimDevice::Fast());
    // Points COM1 at a file that does not exist: the port cannot be opened.
    void PointPortNowhere();

    void Tick(int count = 1);
    // Ticks until the state differs from state; the number of ticks taken (limit: maxTicks).
    int TickWhileState(int32_t state, int maxTicks = 30000);
    // Runs the search to the idle state after identification, and one idle tick.
    void Identify();
    // Gives the command as a user does; false when it was refused or had no handler.
    bool Command(unsigned id);
    bool Enabled(unsigned id);
    // The transfer commands that are enabled, as identifiers in table order.
    std::vector<unsigned> EnabledCommands();

    int32_t State() const { return doc->GetTransferState(); }
    std::string Data() const;
    // Fills the buffer as a loaded data file would, with lines closed by CR.
    void LoadLines(const std::vector<std::string>& lines);

    TempWorkDir dir;
    MessageRecorder boxes;
    std::unique_ptr<SimDevice> device;
    std::unique_ptr<CKorvaDoc> doc;
    std::unique_ptr<CKorvaView> view;
};

// Readable texts in test failures.
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

// The device's lines as the document keeps them: each closed by CR.
std::string AsBufferLines(const std::vector<std::string>& lines);
