#pragma once
// The message boxes' texts as the user reads them, written out here rather than taken from
// the program's string table, so that a changed text fails the tests; and QString printed
// readably in test failures.
#include <QString>

#include <ostream>

inline const QString kCapturedMessage = "VEQ-Data are captured in working storage! \nNow you can save this data to disc "
                                        "\nor you can save this data to VEQ !";
inline const QString kStoredMessage = "Data are stored to VEQ !";
inline const QString kTimeOutMessage = "TimeOut !!! \n ";
inline const QString kNoDeviceMessage = "!!! NO TUNING SET FOUND !!!";
inline const QString kApiErrorMessage = "V24 Error at API Function";
inline const QString kIncompleteMessage =
    "Incomplete data from VEQ: the transfer ended without its end line. The lines received are kept; "
    "save them to read them, but they cannot be put back into the device.";
inline const QString kStopUploadQuestion =
    "The device is receiving data. If you stop now it keeps incomplete data. Stop the transfer?";

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
