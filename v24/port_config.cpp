// Line format, handshake, time-out, queue sizes and modem lines.
#include "port_slot.h"

namespace v24 {
namespace {

constexpr int32_t kDefaultBaud = 2400;

// Applies the arguments of PortSetFormat to s in their order; 0 keeps a value.
int32_t ApplyFormatArgs(CommSettings& s, int32_t baud, int32_t dataBits, int32_t parity,
                        int32_t stopBits)
{
    if (baud != 0)
        s.baudRate = static_cast<uint32_t>(baud); // the device decides whether it can
    switch (dataBits) {
    case 0: break;
    case 5: case 6: case 7: case 8: case 16: s.byteSize = static_cast<uint8_t>(dataBits); break;
    default: return PORT_E_VALUE;
    }
    switch (parity) {
    case 0: break;
    case 'N': s.parity = kNoParity; break;
    case 'O': s.parity = kOddParity; break;
    case 'E': s.parity = kEvenParity; break;
    default: return PORT_E_VALUE;
    }
    switch (stopBits) {
    case 0: break;
    case 1: s.stopBits = kOneStopBit; break;
    case 2: s.stopBits = kTwoStopBits; break;
    default: return PORT_E_VALUE;
    }
    return 0;
}

int32_t ModemInput(int32_t handle, uint32_t bit)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    uint32_t bits = 0;
    // A device without modem lines reads as all lines off.
    if (s->platform->modemStatus(s->osHandle, &bits) != 0)
        return 0;
    return static_cast<int32_t>(bits & bit);
}

// Sets or queries one output line; state is the slot's record of it.
int32_t ModemOutput(PortSlot& s, ModemLine line, int32_t request, int32_t& state)
{
    if (request == PORT_LINE_QUERY)
        return state;
    if (request != PORT_LINE_OFF && request != PORT_LINE_ON)
        return PORT_E_VALUE;
    if (s.platform->setModemLine(s.osHandle, line, request == PORT_LINE_ON) != 0)
        return PORT_E_API;
    state = request;
    return state;
}

} // namespace

void SetFlowThresholds(PortSlot& s, CommSettings& settings)
{
    s.xoffLevel = static_cast<uint32_t>(static_cast<uint64_t>(s.inQueueSize) * 3 / 4);
    s.xonLevel = s.inQueueSize / 4;
    settings.xonLim = static_cast<uint16_t>(s.xonLevel);
    settings.xoffLim = static_cast<uint16_t>(s.inQueueSize - s.xoffLevel);
}

} // namespace v24

using namespace v24;

extern "C" int32_t PortSetFormat(int32_t handle, int32_t baud, int32_t dataBits, int32_t parity,
                                 int32_t stopBits)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    CommSettings work = s->settings;
    if (int32_t rc = ApplyFormatArgs(work, baud, dataBits, parity, stopBits))
        return rc;
    if (s->platform->setState(s->osHandle, work) != 0)
        return PORT_E_API;
    s->settings = work;
    return 0;
}

extern "C" int32_t PortGetFormat(int32_t handle, int32_t* baud, int32_t* dataBits,
                                 int32_t* parity, int32_t* stopBits)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    CommSettings dev;
    if (s->platform->getState(s->osHandle, &dev) != 0)
        return PORT_E_HANDLE;
    if (baud)
        *baud = static_cast<int32_t>(dev.baudRate);
    if (dataBits) {
        if (dev.byteSize != 7 && dev.byteSize != 8)
            return PORT_E_VALUE;
        *dataBits = dev.byteSize;
    }
    if (parity) {
        switch (dev.parity) {
        case kNoParity: *parity = 'N'; break;
        case kOddParity: *parity = 'O'; break;
        case kEvenParity: *parity = 'E'; break;
        default: return PORT_E_VALUE;
        }
    }
    if (stopBits) {
        switch (dev.stopBits) {
        case kOneStopBit: *stopBits = 1; break;
        case kTwoStopBits: *stopBits = 2; break;
        default: return PORT_E_VALUE;
        }
    }
    s->settings = dev;
    return 0;
}

extern "C" int32_t PortSetDefaultFormat(int32_t handle)
{
    return PortSetFormat(handle, kDefaultBaud, 8, 'N', 1);
}

extern "C" int32_t PortSetHandshake(int32_t handle, int32_t mode)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    // The mode is checked before anything changes: the stored settings must keep matching
    // the device, or the next format change would apply flow control nobody asked for.
    if (mode < PORT_HS_NONE || mode > PORT_HS_HARDWARE)
        return PORT_E_VALUE;
    CommSettings work = s->settings;
    work.outX = false;
    work.inX = false;
    work.outxCtsFlow = false;
    work.rtsControl = kLineEnable;
    work.dtrControl = kLineEnable;
    if (mode == PORT_HS_XONXOFF || mode == PORT_HS_XONXOFF2) {
        work.outX = true;
        work.inX = true;
    } else if (mode == PORT_HS_HARDWARE) {
        work.outxCtsFlow = true;
        work.rtsControl = kLineHandshake;
    }
    if (s->platform->setState(s->osHandle, work) != 0)
        return PORT_E_API;
    s->settings = work;
    s->handshake = mode;
    PortRts(handle, PORT_LINE_ON); // -20 under hardware handshake, which then owns RTS
    PortDtr(handle, PORT_LINE_ON);
    return 0;
}

extern "C" int32_t PortGetHandshake(int32_t handle)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    return s->handshake;
}

extern "C" int32_t PortSetTimeout(int32_t handle, int32_t ms)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    s->timeoutMs = ms;
    return 0;
}

extern "C" int32_t PortGetTimeout(int32_t handle)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    return s->timeoutMs;
}

extern "C" int32_t PortSetQueueSize(int32_t handle, int32_t dir, uint32_t size)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    CommPlatform& p = *s->platform;
    if (dir == PORT_INPUT) {
        if (p.setupQueues(s->osHandle, size, s->outQueueSize) != 0)
            return PORT_E_API;
        s->inQueueSize = size;
        CommSettings work = s->settings;
        SetFlowThresholds(*s, work);
        if (p.setState(s->osHandle, work) != 0)
            return PORT_E_API;
        s->settings = work;
    } else if (dir == PORT_OUTPUT) {
        if (p.setupQueues(s->osHandle, s->inQueueSize, size) != 0)
            return PORT_E_API;
        s->outQueueSize = size;
    } else {
        return PORT_E_VALUE;
    }
    if (p.setupQueues(s->osHandle, s->inQueueSize, s->outQueueSize) != 0)
        return PORT_E_API;
    return 0;
}

extern "C" int32_t PortGetQueueSize(int32_t handle, int32_t dir)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    if (dir == PORT_INPUT)
        return static_cast<int32_t>(s->inQueueSize);
    if (dir == PORT_OUTPUT)
        return static_cast<int32_t>(s->outQueueSize);
    return PORT_E_VALUE;
}

extern "C" int32_t PortCarrier(int32_t handle) { return ModemInput(handle, kModemCarrier); }
extern "C" int32_t PortDsr(int32_t handle) { return ModemInput(handle, kModemDsr); }
extern "C" int32_t PortClearToSend(int32_t handle) { return ModemInput(handle, kModemCts); }
extern "C" int32_t PortRing(int32_t handle) { return ModemInput(handle, kModemRing); }

extern "C" int32_t PortDtr(int32_t handle, int32_t request)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    return ModemOutput(*s, kLineDtr, request, s->dtrState);
}

extern "C" int32_t PortRts(int32_t handle, int32_t request)
{
    PortSlot* s;
    if (int32_t rc = CheckHandle(handle, &s))
        return rc;
    if (s->handshake == PORT_HS_HARDWARE)
        return PORT_E_RTSHANDSHAKE;
    return ModemOutput(*s, kLineRts, request, s->rtsState);
}
