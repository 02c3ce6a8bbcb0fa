#pragma once
// The transfer states: the document holds one, the controller runs one step of it per tick.
// The numbers are the device dialogue's fixed codes (8, 11 and 12 are not used). Each comment
// says who enters the state and what its next tick does.
#include <cstdint>

enum TransferState : int32_t {
    // The search found the device (a receive that overflowed also sets it for a moment):
    // enables the downloads and delivery mode, then idle.
    kStateIdentified = 0,
    // The receive met the device's EOT, or a data file with its end marker was opened: keeps
    // the capture, shows the captured (or incomplete) message, then idle.
    kStateCaptured = 1,
    // The receive fell silent after at least one line: keeps the capture, "TimeOut !!!",
    // disables the commands, then idle.
    kStateTimedOut = 2,
    // Construction, a port change, a failed read, and after "no device": the search cycle
    // opens the port on tick 101, asks "R" on tick 200 and reads the answer on tick 400.
    kStateSearch = 3,
    // A request has gone out: every tick reads one line into the buffer until EOT, silence,
    // overflow or a port error sets the next state.
    kStateReceiving = 4,
    // The download commands: the first tick opens the port, tick 10 sends the request and
    // enters receiving.
    kStateRequestAdjustment = 5,
    kStateRequestInstrument = 6,
    kStateRequestTemperaments = 7,
    kStateRequestAllData = 9,
    // Delivery mode, confirmed: the first tick sends "DU"; the state then waits for a command.
    kStateDeliveryReset = 10,
    // File New, or a receive that failed: empties the document, enables the device commands,
    // then idle.
    kStateNewDocument = 13,
    // PUT DATA: opens the port, sends "DE" on tick 100, lines from tick 200 until the data end.
    kStateUpload = 14,
    // The receive fell silent before any line: "!!! NO TUNING SET FOUND !!!", then the search.
    kStateNoDevice = 15,
    // The end of every dialogue: nothing happens until a command sets another state.
    kStateIdle = 16,
};

// The state in words, as the transfer log shows it.
constexpr const char* TransferStateName(int32_t state)
{
    switch (state) {
    case kStateIdentified: return "device identified";
    case kStateCaptured: return "data captured";
    case kStateTimedOut: return "receive timed out";
    case kStateSearch: return "search for the device";
    case kStateReceiving: return "receiving data";
    case kStateRequestAdjustment: return "request adjustment data";
    case kStateRequestInstrument: return "request actual instrument";
    case kStateRequestTemperaments: return "request historical temperaments";
    case kStateRequestAllData: return "request all data";
    case kStateDeliveryReset: return "delivery-mode reset";
    case kStateNewDocument: return "new, empty document";
    case kStateUpload: return "upload";
    case kStateNoDevice: return "no device found";
    case kStateIdle: return "idle";
    default: return "unknown";
    }
}
