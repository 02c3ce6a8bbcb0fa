#pragma once
// A view on its document in a fresh working folder (no VEQ.INI, so port index 0, "COM1"),
// every message box answered and recorded, and the simulated device on COM1 when a test
// starts one. Tests drive the state machine by calling OnTimer(101) themselves.
#include "KorvaDoc.h"
#include "KorvaView.h"
#include "MessageRecorder.h"
#include "SimDevice.h"
#include "TempDir.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <QString>

#include <functional>
#include <ostream>
#include <memory>
#include <string>
#include <vector>

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
