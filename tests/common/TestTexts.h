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
inline const QString kSaveQuestion = QString::fromUtf8("Änderungen in VEQ_32_C_DATA speichern?");
inline const QString kUnexpectedFormatMessage = "Unerwartetes Dateiformat.";
// %1: the file as named.
inline const QString kCannotOpenMessage = QString::fromUtf8("Die Datei %1 kann nicht geöffnet werden.");
inline const QString kCannotSaveMessage = "Die Datei %1 kann nicht gespeichert werden.";
inline const QString kStopUploadQuestion =
    "The device is receiving data. If you stop now it keeps incomplete data. Stop the transfer?";

// The trace of a command refused because it is disabled.
inline QString RefusalTrace(unsigned id)
{
    return QStringLiteral("Warning: not executing disabled command %1\n").arg(id);
}

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}
