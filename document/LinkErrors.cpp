#include "LinkErrors.h"

#include "v24.h"

#include <QFile>
#include <cstring>

namespace {
constexpr const char* kMsgWrongHandle = "V24 Wrong Port Handle";
constexpr const char* kMsgClosed = "V24 Closed";
constexpr const char* kMsgBadValue = "V24 Timout Value not alowed";
constexpr const char* kMsgApiError = "V24 Error at API Function";

constexpr const char* kCauseHungUp = "the line hung up";
constexpr const char* kCauseHeldXoff = "the device held the line with XOFF longer than the time-out";

// What follows "COM1 (/dev/ttyUSB0): " when the port cannot be opened.
constexpr const char* kOpenNotFound = "not found \u2014 plug in the adapter or choose the device in Adjustment/Interface";
constexpr const char* kOpenDenied = "not permitted \u2014 add yourself to the group dialout and log in again";
constexpr const char* kOpenInUse = "in use by another program";
constexpr const char* kOpenNotSerial = "not a serial device \u2014 choose the device in Adjustment/Interface";
constexpr const char* kOpenOther = "cannot be opened (%1)";
constexpr const char* kOpenNoFile = "%1: no device file \u2014 choose the device in Adjustment/Interface";
}  // namespace

const char* ReceiveErrorText(int32_t code)
{
    switch (code) {
    case PORT_E_HANDLE: return kMsgWrongHandle;
    case PORT_E_CLOSED: return kMsgClosed;
    case PORT_E_VALUE: return kMsgBadValue;
    case PORT_E_API: return kMsgApiError;
    default: return nullptr;
    }
}

const char* WriteErrorText(int32_t code)
{
    const char* text = ReceiveErrorText(code);
    return text ? text : kMsgApiError;
}

const char* LinkFailureText(LinkFailure cause)
{
    switch (cause) {
    case kLinkHungUp: return kCauseHungUp;
    case kLinkHeldXoff: return kCauseHeldXoff;
    default: return nullptr;
    }
}

QString OpenFailureText(const char* portName)
{
    int32_t error = 0;
    char file[PORT_FILE_MAX];
    const int32_t cause = PortLastOpenFailure(&error, file, sizeof file);
    const QString port = QString::fromLatin1(portName);
    const QString where = QStringLiteral("%1 (%2): ").arg(port, QFile::decodeName(file));
    switch (cause) {
    case PORT_CAUSE_NONE: return QString();
    case PORT_CAUSE_NOT_FOUND: return where + QString::fromUtf8(kOpenNotFound);
    case PORT_CAUSE_DENIED: return where + QString::fromUtf8(kOpenDenied);
    case PORT_CAUSE_IN_USE: return where + QString::fromUtf8(kOpenInUse);
    case PORT_CAUSE_NOT_SERIAL: return where + QString::fromUtf8(kOpenNotSerial);
    case PORT_CAUSE_NO_FILE: return QString::fromUtf8(kOpenNoFile).arg(port);
    default:
        return where + QString::fromLatin1(kOpenOther)
                           .arg(error ? QString::fromLocal8Bit(std::strerror(error)) : QStringLiteral("no free port"));
    }
}
