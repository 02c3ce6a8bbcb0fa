#pragma once
// The controller's messages: what a dialogue with the device ends with, in the boxes the user
// answers with OK. The failures of the link have theirs in LinkErrors.h.

inline constexpr const char* kMsgCaptured = "VEQ-Data are captured in working storage! \nNow you can save this data to disc "
                                            "\nor you can save this data to VEQ !";
inline constexpr const char* kMsgTimeOut = "TimeOut !!! \n ";
inline constexpr const char* kMsgNoDevice = "!!! NO TUNING SET FOUND !!!";
inline constexpr const char* kMsgStored = "Data are stored to VEQ !";
inline constexpr const char* kMsgIncomplete =
    "Incomplete data from VEQ: the transfer ended without its end line. The lines received are kept; "
    "save them to read them, but they cannot be put back into the device.";

// A download the line altered: %1 says how (DescribeDamage).
inline constexpr const char* kMsgDamaged =
    "Damaged data from VEQ: %1. The lines received are kept; save them to read them, but they cannot be put "
    "back into the device. Repeat the download.";
// Behind the upload's message when the line reported errors meanwhile: %1 says which.
inline constexpr const char* kMsgUploadLineErrors =
    "Errors on the line during the upload: %1. Compare with device shows whether the device holds the data.";
// In the status bar while the rest of an earlier transfer comes from the device; the command
// line says it on stderr.
inline constexpr const char* kMsgDraining = "Waiting for the device to finish the previous transfer";

// On stderr, when a stop signal comes during an upload: the upload finishes first, as the
// device would keep part of the data.
inline constexpr const char* kMsgStopAfterUpload = "korva: waiting for the upload to the device to finish, then ending";
