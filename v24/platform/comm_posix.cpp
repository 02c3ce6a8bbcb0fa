// The termios backend: serial ports and pseudo-terminals on Linux.
#include "comm_posix.h"

#include "../v24.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <string>

namespace v24 {

namespace {

struct SpeedEntry {
    uint32_t baud;
    speed_t speed;
};

constexpr SpeedEntry kSpeeds[] = {
    {50, B50},         {75, B75},           {110, B110},         {134, B134},
    {150, B150},       {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},     {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},     {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200}, {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000}, {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

// Flags the driver must keep as set; anything else it changes means it refused the format.
constexpr tcflag_t kFormatFlags = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
// Linux pseudo-terminals force 8 data bits and no parity whatever is set.
constexpr tcflag_t kPtyForcedFlags = CSIZE | PARENB | PARODD | CMSPAR;

bool SameTermios(const termios& a, const termios& b)
{
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0 &&
           cfgetispeed(&a) == cfgetispeed(&b) && cfgetospeed(&a) == cfgetospeed(&b);
}

struct PosixDevice : CommDevice {
    int fd = -1;
    int wakeFd = -1;
    bool exclusive = false;
    bool pseudoTerminal = false;
    termios saved{};          // what the device had before open, restored by close
    CommSettings applied;     // the settings last applied, the state of a pty's format
    bool haveCounts = false;  // the driver keeps error counters (real UARTs do)
    serial_icounter_struct counts{};
};

PosixDevice* Dev(CommDevice* device) { return static_cast<PosixDevice*>(device); }

bool IsPseudoTerminal(int fd)
{
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    unsigned maj = major(st.st_rdev);
    return (maj >= 136 && maj <= 143) || maj == 3; // Unix98 and legacy pty slaves
}

void RequestLowLatency(int fd)
{
    // USB adapters otherwise hold received characters back for up to 16 ms.
    serial_struct serial;
    if (ioctl(fd, TIOCGSERIAL, &serial) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        ioctl(fd, TIOCSSERIAL, &serial);
    }
}

class PosixComm final : public CommPlatform {
public:
    int open(const char* devicePath, bool exclusive, CommDevice** device) override
    {
        char file[PATH_MAX];
        if (int err = ResolveDeviceFile(devicePath, file, sizeof file))
            return err;
        int fd = ::open(file, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return errno;
        // root ignores TIOCEXCL; the lock refuses a second opener for everyone. A shared
        // open takes a shared lock so that it and an exclusive one exclude each other.
        if (flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0)
            return Fail(fd, -1, false, errno == EWOULDBLOCK ? EBUSY : errno);
        if (exclusive && ioctl(fd, TIOCEXCL) != 0)
            return Fail(fd, -1, false, errno);
        termios saved;
        if (tcgetattr(fd, &saved) != 0)
            return Fail(fd, -1, exclusive, errno);
        int wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (wakeFd < 0)
            return Fail(fd, -1, exclusive, errno);
        PosixDevice* dev = new (std::nothrow) PosixDevice;
        if (!dev)
            return Fail(fd, wakeFd, exclusive, ENOMEM);
        RequestLowLatency(fd);
        dev->fd = fd;
        dev->wakeFd = wakeFd;
        dev->exclusive = exclusive;
        dev->pseudoTerminal = IsPseudoTerminal(fd);
        dev->saved = saved;
        SettingsFromTermios(saved, &dev->applied);
        dev->haveCounts = ioctl(fd, TIOCGICOUNT, &dev->counts) == 0;
        *device = dev;
        return 0;
    }

    int close(CommDevice* device) override
    {
        PosixDevice* dev = Dev(device);
        tcsetattr(dev->fd, TCSANOW, &dev->saved);
        if (dev->exclusive)
            ioctl(dev->fd, TIOCNXCL); // a pty must not stay locked for its next user
        ::close(dev->wakeFd);
        int err = ::close(dev->fd) == 0 ? 0 : errno;
        delete dev;
        return err;
    }

    int setupQueues(CommDevice*, uint32_t, uint32_t) override
    {
        // The tty layer has fixed buffers; the sizes are kept by the library only.
        return 0;
    }

    int getState(CommDevice* device, CommSettings* settings) override
    {
        PosixDevice* dev = Dev(device);
        termios t;
        if (tcgetattr(dev->fd, &t) != 0)
            return errno;
        CommSettings s = dev->applied;
        SettingsFromTermios(t, &s);
        if (dev->pseudoTerminal) {
            s.byteSize = dev->applied.byteSize;
            s.parity = dev->applied.parity;
        }
        *settings = s;
        return 0;
    }

    int setState(CommDevice* device, const CommSettings& settings) override
    {
        PosixDevice* dev = Dev(device);
        termios before;
        if (tcgetattr(dev->fd, &before) != 0)
            return errno;
        termios want = before;
        if (!TermiosFromSettings(settings, &want))
            return EINVAL;
        // A pty is never asked for data bits or parity: a request that changes nothing else
        // is refused with EINVAL (POSIX allows that when no part of it can be applied). The
        // format asked stays the device's state in `applied`. For the same reason a request
        // that changes nothing is not made at all.
        if (dev->pseudoTerminal)
            want.c_cflag = (want.c_cflag & ~kPtyForcedFlags) | (before.c_cflag & kPtyForcedFlags);
        if (SameTermios(want, before)) {
            dev->applied = settings;
            return 0;
        }
        if (tcsetattr(dev->fd, TCSANOW, &want) != 0)
            return errno;
        // tcsetattr succeeds when any part was applied; read back what the driver took.
        termios got;
        if (tcgetattr(dev->fd, &got) != 0)
            return errno;
        tcflag_t mask = kFormatFlags & ~(dev->pseudoTerminal ? kPtyForcedFlags : 0);
        if ((got.c_cflag & mask) != (want.c_cflag & mask) ||
            cfgetospeed(&got) != cfgetospeed(&want)) {
            tcsetattr(dev->fd, TCSANOW, &before);
            return EINVAL;
        }
        dev->applied = settings;
        return 0;
    }

    int read(CommDevice* device, void* buf, uint32_t n, uint32_t* got) override
    {
        *got = 0;
        for (;;) {
            ssize_t r = ::read(Dev(device)->fd, buf, n);
            if (r > 0) {
                *got = static_cast<uint32_t>(r);
                return 0;
            }
            if (r == 0)
                return n == 0 ? 0 : EIO; // end of file: the far end hung up
            if (errno == EAGAIN)
                return 0;
            if (errno != EINTR)
                return errno;
        }
    }

    int write(CommDevice* device, const void* buf, uint32_t n, uint32_t* done) override
    {
        *done = 0;
        for (;;) {
            ssize_t w = ::write(Dev(device)->fd, buf, n);
            if (w >= 0) {
                *done = static_cast<uint32_t>(w);
                return 0;
            }
            if (errno != EINTR)
                return errno;
        }
    }

    bool waitWritable(CommDevice* device, uint32_t ms) override
    {
        pollfd p{Dev(device)->fd, POLLOUT, 0};
        int timeout = ms > static_cast<uint32_t>(INT_MAX) ? -1 : static_cast<int>(ms);
        for (;;) {
            int r = poll(&p, 1, timeout);
            if (r >= 0)
                return r > 0; // POLLHUP or POLLERR too: the next write reports the error
            if (errno != EINTR)
                return false;
        }
    }

    int clearError(CommDevice* device, CommStatus* status) override
    {
        PosixDevice* dev = Dev(device);
        int in = 0, out = 0;
        if (ioctl(dev->fd, FIONREAD, &in) != 0 || ioctl(dev->fd, TIOCOUTQ, &out) != 0)
            return errno;
        status->inQueue = static_cast<uint32_t>(in);
        status->outQueue = static_cast<uint32_t>(out);
        status->errors = 0;
        serial_icounter_struct now;
        if (dev->haveCounts && ioctl(dev->fd, TIOCGICOUNT, &now) == 0) {
            if (now.overrun != dev->counts.overrun)
                status->errors |= kErrOverrun;
            if (now.buf_overrun != dev->counts.buf_overrun)
                status->errors |= kErrRxOver;
            if (now.parity != dev->counts.parity)
                status->errors |= kErrParity;
            if (now.frame != dev->counts.frame)
                status->errors |= kErrFrame;
            if (now.brk != dev->counts.brk)
                status->errors |= kErrBreak;
            // The driver's counters only grow; unsigned differences survive their wrap.
            status->overrunCount = static_cast<uint32_t>(now.overrun - dev->counts.overrun) +
                                   static_cast<uint32_t>(now.buf_overrun - dev->counts.buf_overrun);
            status->parityCount = static_cast<uint32_t>(now.parity - dev->counts.parity);
            status->frameCount = static_cast<uint32_t>(now.frame - dev->counts.frame);
            dev->counts = now;
        }
        return 0;
    }

    int purge(CommDevice* device, PurgeAction action) override
    {
        // Nothing is ever pending on a non-blocking descriptor, so the aborts have no work.
        int queue;
        switch (action) {
        case kPurgeRxClear: queue = TCIFLUSH; break;
        case kPurgeTxClear: queue = TCOFLUSH; break;
        default: return 0;
        }
        return tcflush(Dev(device)->fd, queue) == 0 ? 0 : errno;
    }

    int setBreak(CommDevice* device, bool on) override
    {
        return ioctl(Dev(device)->fd, on ? TIOCSBRK : TIOCCBRK) == 0 ? 0 : errno;
    }

    int modemStatus(CommDevice* device, uint32_t* bits) override
    {
        int lines = 0;
        if (ioctl(Dev(device)->fd, TIOCMGET, &lines) != 0)
            return errno;
        *bits = ((lines & TIOCM_CTS) ? kModemCts : 0) | ((lines & TIOCM_DSR) ? kModemDsr : 0) |
                ((lines & TIOCM_RI) ? kModemRing : 0) | ((lines & TIOCM_CD) ? kModemCarrier : 0);
        return 0;
    }

    int setModemLine(CommDevice* device, ModemLine line, bool on) override
    {
        int bit = line == kLineDtr ? TIOCM_DTR : TIOCM_RTS;
        return ioctl(Dev(device)->fd, on ? TIOCMBIS : TIOCMBIC, &bit) == 0 ? 0 : errno;
    }

    int deviceFile(const char* devicePath, char* out, size_t size, int32_t* source) override
    {
        return ResolveDeviceFile(devicePath, out, size, source);
    }

    int setDeviceFile(const char* devicePath, const char* file) override
    {
        return SetProgramDeviceFile(devicePath, file);
    }

    int startWatch(CommDevice*) override { return 0; }
    void stopWatch(CommDevice*) override {}

    WatchResult waitEvent(CommDevice* device, bool watchDevice) override
    {
        PosixDevice* dev = Dev(device);
        pollfd p[2] = {{dev->wakeFd, POLLIN, 0}, {dev->fd, POLLIN, 0}};
        for (;;) {
            int r = poll(p, watchDevice ? 2 : 1, -1);
            if (r < 0 && errno == EINTR)
                continue;
            if (r < 0 || (p[0].revents & POLLIN))
                return WatchResult::Woken;
            if (p[1].revents & (POLLHUP | POLLERR | POLLNVAL))
                return WatchResult::HangUp;
            if (p[1].revents & POLLIN)
                return WatchResult::Input;
        }
    }

    void wake(CommDevice* device) override
    {
        uint64_t one = 1;
        ssize_t w = ::write(Dev(device)->wakeFd, &one, sizeof one);
        (void)w; // the counter cannot overflow from one write per close
    }

private:
    static int Fail(int fd, int wakeFd, bool exclusiveSet, int err)
    {
        if (exclusiveSet)
            ioctl(fd, TIOCNXCL);
        if (wakeFd >= 0)
            ::close(wakeFd);
        ::close(fd);
        return err;
    }
};

} // namespace

CommPlatform& PosixPlatform()
{
    static PosixComm platform;
    return platform;
}

namespace {
// The device files the program handed over, by port name (the device path without its
// "\\\\.\\"). open runs on the program's thread, but nothing forbids handing one over from
// another.
std::mutex g_programFilesMutex;
std::map<std::string, std::string> g_programFiles;

const char* PortName(const char* devicePath)
{
    return std::strncmp(devicePath, "\\\\.\\", 4) == 0 ? devicePath + 4 : devicePath;
}

int CopyPath(const char* file, char* out, size_t outSize)
{
    if (std::strlen(file) >= outSize)
        return ENAMETOOLONG;
    std::strcpy(out, file);
    return 0;
}
} // namespace

int SetProgramDeviceFile(const char* devicePath, const char* file)
{
    try {
        std::lock_guard<std::mutex> lock(g_programFilesMutex);
        if (!file)
            g_programFiles.erase(PortName(devicePath));
        else if (std::strlen(file) >= PORT_FILE_MAX)
            return ENAMETOOLONG;
        else
            g_programFiles[PortName(devicePath)] = file;
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }
    return 0;
}

int ResolveDeviceFile(const char* devicePath, char* out, size_t outSize, int32_t* source)
{
    int32_t ignored;
    int32_t& from = source ? *source : ignored;
    const char* name = PortName(devicePath);
    char var[16];
    if (std::snprintf(var, sizeof var, "V24_%s", name) >= static_cast<int>(sizeof var))
        return ENOENT;
    if (const char* file = std::getenv(var); file && *file) {
        from = PORT_FROM_ENVIRONMENT;
        return CopyPath(file, out, outSize);
    }
    {
        std::lock_guard<std::mutex> lock(g_programFilesMutex);
        auto it = g_programFiles.find(name);
        if (it != g_programFiles.end()) {
            from = PORT_FROM_PROGRAM;
            if (outSize > 0)
                out[0] = '\0';
            // An empty file stands for the program's choice of none.
            return it->second.empty() ? ENOENT : CopyPath(it->second.c_str(), out, outSize);
        }
    }
    // COMn with n = 1..99999 names /dev/ttyS<n-1>.
    if (std::strncmp(name, "COM", 3) != 0 || name[3] == '\0')
        return ENOENT;
    long n = 0;
    for (const char* c = name + 3; *c; ++c) {
        if (!std::isdigit(static_cast<unsigned char>(*c)))
            return ENOENT;
        n = n * 10 + (*c - '0');
    }
    if (n < 1)
        return ENOENT;
    from = PORT_FROM_DEFAULT;
    if (std::snprintf(out, outSize, "/dev/ttyS%ld", n - 1) >= static_cast<int>(outSize))
        return ENAMETOOLONG;
    return 0;
}

bool SpeedFromBaud(uint32_t baud, speed_t* speed)
{
    for (const SpeedEntry& e : kSpeeds) {
        if (e.baud == baud) {
            *speed = e.speed;
            return true;
        }
    }
    return false;
}

uint32_t BaudFromSpeed(speed_t speed)
{
    for (const SpeedEntry& e : kSpeeds) {
        if (e.speed == speed)
            return e.baud;
    }
    return 0;
}

bool TermiosFromSettings(const CommSettings& s, termios* t)
{
    termios r = *t;
    // Rate 0 is a speed the table has no number for (B0 left by another program, a custom
    // rate): the line keeps it.
    if (s.baudRate != 0) {
        speed_t speed;
        if (!SpeedFromBaud(s.baudRate, &speed))
            return false;
        cfsetispeed(&r, speed);
        cfsetospeed(&r, speed);
    }

    r.c_cflag &= ~CSIZE;
    switch (s.byteSize) {
    case 5: r.c_cflag |= CS5; break;
    case 6: r.c_cflag |= CS6; break;
    case 7: r.c_cflag |= CS7; break;
    case 8: r.c_cflag |= CS8; break;
    default: return false;
    }

    r.c_cflag &= ~(PARENB | PARODD | CMSPAR);
    switch (s.parity) {
    case kNoParity: break;
    case kOddParity: r.c_cflag |= PARENB | PARODD; break;
    case kEvenParity: r.c_cflag |= PARENB; break;
    case kMarkParity: r.c_cflag |= PARENB | PARODD | CMSPAR; break;
    case kSpaceParity: r.c_cflag |= PARENB | CMSPAR; break;
    default: return false;
    }

    switch (s.stopBits) {
    case kOneStopBit: r.c_cflag &= ~CSTOPB; break;
    case kTwoStopBits: r.c_cflag |= CSTOPB; break;
    default: return false;
    }

    // Raw bytes both ways; the receiver ignores the modem-control lines.
    r.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXANY | IUCLC |
                   IGNPAR | INPCK | IXON | IXOFF);
    r.c_oflag &= ~OPOST;
    r.c_lflag &= ~(ECHO | ECHONL | ECHOE | ECHOK | ICANON | ISIG | IEXTEN);
    r.c_cflag |= CREAD | CLOCAL;
    // One byte makes a read ready; with O_NONBLOCK an empty queue then answers EAGAIN, so
    // that a read of 0 bytes means end of file.
    r.c_cc[VMIN] = 1;
    r.c_cc[VTIME] = 0;

    if (s.parityCheck && s.parity != kNoParity)
        r.c_iflag |= INPCK;
    if (s.outX)
        r.c_iflag |= IXON;
    if (s.inX)
        r.c_iflag |= IXOFF;
    r.c_cc[VSTART] = static_cast<cc_t>(s.xonChar);
    r.c_cc[VSTOP] = static_cast<cc_t>(s.xoffChar);
    if (s.outxCtsFlow || s.rtsControl == kLineHandshake)
        r.c_cflag |= CRTSCTS;
    else
        r.c_cflag &= ~CRTSCTS;
    *t = r;
    return true;
}

void SettingsFromTermios(const termios& t, CommSettings* s)
{
    s->baudRate = BaudFromSpeed(cfgetospeed(&t));
    switch (t.c_cflag & CSIZE) {
    case CS5: s->byteSize = 5; break;
    case CS6: s->byteSize = 6; break;
    case CS7: s->byteSize = 7; break;
    default: s->byteSize = 8; break;
    }
    if (!(t.c_cflag & PARENB))
        s->parity = kNoParity;
    else if (t.c_cflag & CMSPAR)
        s->parity = (t.c_cflag & PARODD) ? kMarkParity : kSpaceParity;
    else
        s->parity = (t.c_cflag & PARODD) ? kOddParity : kEvenParity;
    s->stopBits = (t.c_cflag & CSTOPB) ? kTwoStopBits : kOneStopBit;
    s->outX = (t.c_iflag & IXON) != 0;
    s->inX = (t.c_iflag & IXOFF) != 0;
    s->xonChar = static_cast<char>(t.c_cc[VSTART]);
    s->xoffChar = static_cast<char>(t.c_cc[VSTOP]);
    bool hardware = (t.c_cflag & CRTSCTS) != 0;
    s->outxCtsFlow = hardware;
    if (hardware)
        s->rtsControl = kLineHandshake;
    else if (s->rtsControl == kLineHandshake)
        s->rtsControl = kLineEnable;
}

} // namespace v24
