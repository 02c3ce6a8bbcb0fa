#pragma once
// The transfer states: the document holds one, the controller runs one step of it per tick.
// The numbers are the device dialogue's fixed codes (8, 11 and 12 are not used).
#include <cstdint>

enum TransferState : int32_t {
    kStateIdentified = 0,            // the device answered the identity query
    kStateCaptured = 1,              // data captured: EOT received, or a data file opened
    kStateTimedOut = 2,              // the device fell silent after at least one line
    kStateSearch = 3,                // search for the device
    kStateReceiving = 4,             // receiving data
    kStateRequestAdjustment = 5,     // request the adjustment data
    kStateRequestInstrument = 6,     // request the actual instrument
    kStateRequestTemperaments = 7,   // request the historical temperaments
    kStateRequestAllData = 9,        // request all data
    kStateDeliveryReset = 10,        // the delivery-mode reset was sent
    kStateNewDocument = 13,          // new, empty document
    kStateUpload = 14,               // upload the buffer to the device
    kStateNoDevice = 15,             // silence before any line: no device
    kStateIdle = 16,                 // idle
};
