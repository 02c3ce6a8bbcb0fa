#pragma once
// What the program and the device agree on: the commands, the identity answer and the table of
// downloads. A new kind of download is one more row of kDownloadKinds, with its command id,
// prompt and button image among the resources, its handler in the view and its answer in the
// simulator.
#include "TransferState.h"
#include "resource.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// Commands without a download of their own; the link adds CR LF to every command.
inline constexpr const char* kCmdIdentity = "R";
inline constexpr const char* kCmdDeliveryMode = "DU";
inline constexpr const char* kCmdUpload = "DE";

// The device answers "R" with a line that begins with these characters; only they count, as
// the device adds its firmware version behind them.
inline constexpr const char* kIdentity = "VEQ-32-C";
inline constexpr std::size_t kIdentityLength = 8;

struct DownloadKind {
    TransferState requestState;  // the state its command sets; its request goes out from there
    const char* deviceCommand;   // what the device is asked ("DA"); also the kind's short name
    int32_t fullScale;           // lines that fill the progress bar
    unsigned commandId;          // the toolbar command that starts it
    bool keepsDeliveryMode;      // delivery mode stays enabled until the receive begins
    const char* name;            // the kind on the command line
    const char* title;           // the kind in words
};

// In toolbar order.
inline constexpr DownloadKind kDownloadKinds[] = {
    {kStateRequestAllData, "DA", 6800, ID_ALL_DATA, true, "all", "all data"},
    {kStateRequestTemperaments, "DT", 600, ID_HISTORICAL_TEMPERAMENTS, true, "temperaments", "historical temperaments"},
    {kStateRequestAdjustment, "DD", 20, ID_ADJUSTMENT_DATA, false, "adjustment", "adjustment data"},
    {kStateRequestInstrument, "DS", 33, ID_ACTUAL_INSTRUMENT, false, "instrument", "actual instrument"},
};

// The row of a request state, command id, command-line name or device command; nullptr for none.
const DownloadKind* DownloadKindForState(int32_t state);
const DownloadKind* DownloadKindForCommand(unsigned commandId);
const DownloadKind* DownloadKindForName(std::string_view name);
const DownloadKind* DownloadKindForDeviceCommand(std::string_view command);
// A command that begins a transfer: a download's request, the upload's announcement or the
// delivery-mode reset (not the identity query).
bool IsTransferCommand(std::string_view command);
