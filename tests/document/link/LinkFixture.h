#pragma once
// A document in a fresh working folder (no VEQ.INI, so port index 0, "COM1") with a far end
// on COM1 that the test plays.
#include "DocumentData.h"
#include "KorvaDoc.h"
#include "PtyFarEnd.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CKorvaDoc::ResetIdleCountdown();
        doc = std::make_unique<CKorvaDoc>();
    }

    // The raw characters of the last read, up to the NUL the read put after them.
    std::string RxArea() const { return std::string(doc->m_rxArea); }

    // Calls ReceiveBlock as the controller does, tick by tick, until the receive has ended
    // or failed; returns the results in order.
    std::vector<int32_t> ReceiveAll(int maxCalls = 50)
    {
        doc->SetTransferState(kStateReceiving);
        std::vector<int32_t> results;
        while (doc->GetTransferState() == kStateReceiving && static_cast<int>(results.size()) < maxCalls) {
            results.push_back(doc->ReceiveBlock());
            if (results.back() < 0)
                break;
        }
        return results;
    }

    TempWorkDir dir;
    PtyFarEnd device{"COM1"};
    std::unique_ptr<CKorvaDoc> doc;
};
