#pragma once
// A view on its document in a fresh working folder (no VEQ.INI, so port index 0, "COM1"),
// every message box answered and recorded, and the simulated device on COM1 when a test
// starts one. Tests drive the state machine tick by tick (TickDriver).
#include "DataText.h"
#include "DocumentData.h"
#include "KorvaDoc.h"
#include "KorvaView.h"
#include "MessageRecorder.h"
#include "PtyFarEnd.h"
#include "SimDevice.h"
#include "TempDir.h"
#include "TestTexts.h"
#include "TickDriver.h"
#include "TransferCommands.h"
#include "WaitUntil.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class ViewTest : public ::testing::Test, protected TickDriver {
protected:
    static constexpr unsigned kTimer = CKorvaView::kTimerId;

    void SetUp() override;
    void TearDown() override;
    CKorvaView& TickedView() const override { return *view; }

    void StartDevice(const sim::Settings& settings = SimDevice::Fast());
    // Points the port at a file that does not exist: it cannot be opened.
    void PointPortNowhere(const std::string& port = "COM1");

    // Gives the command as a user does; false when it was refused or had no handler.
    bool Command(unsigned id);
    bool Enabled(unsigned id);
    // The transfer commands that are enabled, in toolbar order.
    std::vector<unsigned> EnabledCommands();
    // The one message box so far said text, under the program's name, with OK alone.
    ::testing::AssertionResult ShowedOnlyMessage(const QString& text) const;

    // File New enables the downloads without an identification; the command's request then
    // goes to a far end the test plays on COM1.
    void RequestFromFarEnd(PtyFarEnd& farEnd, unsigned command, const std::string& request);
    // Fills the buffer as a loaded data file would, with lines closed by CR.
    void LoadLines(const std::vector<std::string>& lines);
    // The last end the view recorded is outcome (with code), recorded just before the last box.
    void ExpectEndToldByLastBox(TransferOutcome outcome, int32_t code = 0);

    TempWorkDir dir;
    MessageRecorder boxes;
    // The ends the view recorded, and how many boxes had been shown before each.
    std::vector<CTransferEnd> ends;
    std::vector<size_t> boxesBeforeEnd;
    std::unique_ptr<SimDevice> device;
    std::unique_ptr<CKorvaDoc> doc;
    std::unique_ptr<CKorvaView> view;
};
