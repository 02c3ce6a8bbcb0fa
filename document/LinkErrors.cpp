#include "LinkErrors.h"

#include "v24.h"

namespace {
constexpr const char* kMsgWrongHandle = "V24 Wrong Port Handle";
constexpr const char* kMsgClosed = "V24 Closed";
constexpr const char* kMsgBadValue = "V24 Timout Value not alowed";
constexpr const char* kMsgApiError = "V24 Error at API Function";
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
