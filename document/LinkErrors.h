#pragma once
// The device link's failures in the user's words: the port library's result codes, and the
// receive's own code for a full buffer, turned into the controller's messages in one place.
#include <QString>
#include <cstdint>

// Why the port failed during a transfer, where the port library can tell.
enum LinkFailure : int32_t {
    kLinkFailureUnknown,  // no failure, or one the library gives no cause for
    kLinkHungUp,          // the line hung up: the device, or its adapter, went away
    kLinkHeldXoff,        // the device held the line with XOFF for longer than the time-out
};

// The message for a failed read; nullptr for a code that has none (a full buffer among them).
const char* ReceiveErrorText(int32_t code);
// The message for a failed write: a write failure always says something, and a short write or
// a code without a message of its own is an error of the port's functions.
const char* WriteErrorText(int32_t code);
// The cause in the user's words; nullptr for kLinkFailureUnknown.
const char* LinkFailureText(LinkFailure cause);
// Why the port library's last open of the port failed, with the port's name and the device file
// it tried, in words that tell the user what to do; empty when that open succeeded.
QString OpenFailureText(const char* portName);
