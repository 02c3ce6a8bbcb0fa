#pragma once
// What the device link records of the line besides the data: the damage a transfer suffered on
// the way (characters the line altered, lines the receive split in two) and the port's state as
// read back from it. The link also writes every byte and event of the line into the transfer
// log (LinkRecord.cpp).
#include <QString>

#include <cstdint>

struct CLineDamage {
    // Errors the port reported on receiving.
    uint32_t nParity = 0;
    uint32_t nFraming = 0;
    uint32_t nOverrun = 0;
    // NUL characters received: a driver hands over a character with a parity or framing error
    // as NUL, and a device or adapter may report no counts at all.
    uint32_t nNul = 0;
    // Lines the receive split in two: longer than one read takes, or paused in longer than the
    // read time-out.
    uint32_t nLongLines = 0;
    uint32_t nPausedLines = 0;

    bool Any() const { return nParity + nFraming + nOverrun + nNul + nLongLines + nPausedLines > 0; }
    // The errors the port reported (no NUL, no split line).
    bool AnyLineErrors() const { return nParity + nFraming + nOverrun > 0; }
    CLineDamage& operator+=(const CLineDamage& other);
};

// "3 parity errors, 1 framing error and 1 NUL character arrived on the line; 2 lines longer
// than 500 characters were split"; empty for no damage.
QString DescribeDamage(const CLineDamage& damage);
// "2 parity errors, 0 framing errors, 0 overruns, 1 NUL character".
QString CountDamage(const CLineDamage& damage);

// The open port as it reports itself.
struct CLineState {
    QString strPort;        // "COM1"
    QString strDeviceFile;  // what it opens, and where that comes from
    QString strSource;
    bool bFormatRead = false;  // the line settings could be read back
    int32_t nBaud = 0;         // 0: a speed the port library has no number for
    int32_t nDataBits = 0;
    int32_t nParity = 0;       // 'N', 'O', 'E'
    int32_t nStopBits = 0;
    int32_t nHandshake = 0;
    bool bDtr = false, bRts = false, bCts = false, bDsr = false, bCarrier = false, bRing = false;
};

// "115200 baud, 7 data bits, odd parity, 2 stop bits, XON/XOFF".
QString DescribeLineSettings(const CLineState& state);
// "DTR on, RTS on, CTS off, DSR off, DCD off, RI off".
QString DescribeModemLines(const CLineState& state);
