/* V24 serial-port library: a fixed table of ports addressed by small integer handles.
 *
 * Every function returns int32_t: 0 or a non-negative count, character or state for
 * success, one of the negative PORT_E_* codes for failure. Every function that takes a
 * handle first checks it: a handle outside 0..PORT_MAX-1 gives PORT_E_HANDLE (-19), a
 * handle whose port is not open gives PORT_E_CLOSED (-4). Only PortGetNotifyMessage
 * answers 0 instead. The functions are meant to be called from one thread; each open port
 * has a watch thread of its own that reports arriving characters.
 *
 * Port names: "COMn" (any case) or "\\.\NAME"; the device path is "\\.\" followed by at
 * most 5 upper-cased name characters. On Linux the name (e.g. COM3) is looked up in the
 * environment variable V24_COM3, which names the device file; then in the device files the
 * program handed over with PortSetDeviceFile; otherwise COMn is /dev/ttyS<n-1>.
 */
#ifndef KORVA_V24_H
#define KORVA_V24_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum {
    PORT_MAX = 10,

    PORT_E_ACCESS = -1,        /* open: access denied, the device is in use */
    PORT_E_NOPORT = -2,        /* open: bad name form, or no such device */
    PORT_E_NOMEM = -3,         /* open: out of memory */
    PORT_E_CLOSED = -4,        /* the handle's port is not open */
    PORT_E_VALUE = -5,         /* an argument outside its allowed set */
    PORT_E_NOCHAR = -6,        /* PortReadChar: nothing within the time-out */
    PORT_E_COMMMASK = -7,      /* watch thread could not watch the device (in lastError) */
    PORT_E_NOSLOT = -8,        /* open: all PORT_MAX ports are open */
    PORT_E_WRITE = -9,         /* PortWriteChar: the character was not written */
    PORT_E_HANDLE = -19,       /* handle outside 0..PORT_MAX-1; PortGetFormat: unreadable */
    PORT_E_RTSHANDSHAKE = -20, /* PortRts while the hardware handshake drives RTS */
    PORT_E_API = -27,          /* a platform call failed */
    PORT_E_EVENT = -28,        /* an event could not be created */
    PORT_E_THREAD = -30,       /* open: the watch thread did not start */

    PORT_FILE_MAX = 4096       /* a device file's path is shorter than this, in bytes */
};

/* Directions of PortPurge, PortQueueCount, PortQueueEmpty and the queue sizes. */
enum { PORT_INPUT = 0, PORT_OUTPUT = 1 };

/* Requests of PortDtr and PortRts. */
enum { PORT_LINE_OFF = 0, PORT_LINE_ON = 1, PORT_LINE_QUERY = 2 };

/* Handshake modes: none, XON/XOFF (1 and 2 are the same), hardware RTS/CTS. */
enum { PORT_HS_NONE = 0, PORT_HS_XONXOFF = 1, PORT_HS_XONXOFF2 = 2, PORT_HS_HARDWARE = 3 };

/* Bits of PortGetLineErrors. */
enum { PORT_LE_OVERRUN = 2, PORT_LE_PARITY = 4, PORT_LE_FRAMING = 8 };

/* The receiver of the data-arrival message (PortSetNotify): a value of the caller's, which the
 * library only hands on. */
typedef struct PortWindowTag* PortWindow;

/* Registers the caller's function that delivers the data-arrival message: the library knows no
 * windows and calls post(window, message, handle, 0) with what PortSetNotify registered, also
 * from a port's watch thread. With none registered nothing is delivered; waiting reads work all
 * the same. NULL unregisters. korva waits with PortWaitInput and registers none; the library's
 * tests do. */
void PortSetMessagePoster(void (*post)(PortWindow window, uint32_t message, intptr_t wParam,
                                       intptr_t lParam));

/* Directions of the tap. */
enum { PORT_TAP_RECEIVED = 0, PORT_TAP_SENT = 1 };

/* Sees the bytes that pass a port, exactly as they pass: PORT_TAP_RECEIVED with each run of
 * bytes the library takes from a driver (whatever a read later does with them, a purge of the
 * read-ahead included), PORT_TAP_SENT with each run a driver accepted for sending. n > 0.
 * Called in the thread that reads or writes, before the call returns. */
typedef void (*PortTap)(void* context, int32_t handle, int32_t direction, const void* data, uint32_t n);

/* Registers the tap of all ports with the context it is called with; NULL unregisters.
 * Only while no other thread reads or writes a port. */
void PortSetTap(PortTap tap, void* context);

/* ---- Table, open and close ---------------------------------------------------------- */

/* Opens the named port; exclusive != 0 refuses any other opener while it is held.
 * Sets DTR and RTS on, no handshake, time-out 1000 ms, queues 4096/2048; speed and format
 * stay as the driver has them, also a speed the library has no number for.
 * Result: handle 0..9, or -1 (in use / denied), -2 (bad name, no device), -3, -8 (no free
 * port), -27 (device could not be set up), -28, -30. */
int32_t PortOpen(const char* name, int32_t exclusive);

/* Closes the port and ends its watch thread. 0, or -19, -4, -27 (release failed; the port is
 * closed all the same). */
int32_t PortClose(int32_t handle);

/* Number of ports in the table: PORT_MAX. */
int32_t PortMaxPorts(void);

/* ---- Device files ----------------------------------------------------------------------- */

/* Where the device file of a port comes from (PortDeviceFile). */
enum { PORT_FROM_ENVIRONMENT = 1, PORT_FROM_PROGRAM = 2, PORT_FROM_DEFAULT = 3 };

/* Why the last PortOpen failed (PortLastOpenFailure). */
enum {
    PORT_CAUSE_NONE = 0,       /* the last open succeeded, or none was made */
    PORT_CAUSE_NOT_FOUND = 1,  /* no such device file, or no device behind it */
    PORT_CAUSE_DENIED = 2,     /* the user may not open the device file */
    PORT_CAUSE_IN_USE = 3,     /* another program (or another open here) holds the port */
    PORT_CAUSE_NOT_SERIAL = 4, /* the file is no terminal: a folder, a plain file, a FIFO */
    PORT_CAUSE_NO_FILE = 5,    /* the name has no device file (bad form, an empty one) */
    PORT_CAUSE_OTHER = 6       /* anything else; the platform error tells more */
};

/* Hands the library the program's device file for a port name (as PortOpen takes it), for
 * example from the program's settings. The environment variable V24_<name> still comes
 * first; without either COMn opens /dev/ttyS<n-1>. NULL file removes the program's file; an
 * empty one is kept, and PortOpen then finds no device file. Used from the next open on.
 * 0; -2 for a bad name; -5 for a file of PORT_FILE_MAX bytes or more; -3 out of memory. */
int32_t PortSetDeviceFile(const char* name, const char* file);

/* The device file PortOpen(name) would open, into file (size bytes, NUL-terminated), and
 * where it comes from: PORT_FROM_*. -2 for a name without a device file (bad form, COM0, an
 * empty file from the program: file then holds an empty text); -5 for a NULL file or a size
 * too small for the path. */
int32_t PortDeviceFile(const char* name, char* file, uint32_t size);

/* Why the last PortOpen failed: PORT_CAUSE_* (PORT_CAUSE_NONE after one that succeeded).
 * *platformError gets the platform's error number (errno on Linux; 0 when the library itself
 * refused, as for no free port), file the device file that open tried (cut to size - 1 bytes,
 * NUL-terminated, empty when the name has none). NULL skips either; size 0 skips file.
 * Permission and a port held elsewhere are told apart here, although PortOpen answers -1 for
 * both. */
int32_t PortLastOpenFailure(int32_t* platformError, char* file, uint32_t size);

/* ---- Writing (time-out per call: the longer of timeoutMs and 32000 ms * n / baud) ---- */

/* Sends the low byte of c. 0, or -9 if it was not written. */
int32_t PortWriteChar(int32_t handle, int32_t c);
/* Sends a NUL-terminated text. Bytes accepted by the driver (NULL text: 0). */
int32_t PortWriteString(int32_t handle, const char* text);
/* Sends n bytes. Bytes accepted by the driver (n <= 0: 0); -5 for NULL data with n > 0. */
int32_t PortWriteBlock(int32_t handle, const void* data, int32_t n);
/* Writes what the driver takes now of n bytes, never waiting. Bytes taken: fewer than n, or
 * 0, while the driver is full (as when the far end holds the line with XOFF); 0 for n <= 0;
 * -5 for NULL data with n > 0; -27 when the platform refused the write. */
int32_t PortWriteBlockPart(int32_t handle, const void* data, int32_t n);
/* Waits up to ms (0xFFFFFFFF: no limit) until the driver takes more output. 1 if it does,
 * 0 if not. */
int32_t PortWaitOutput(int32_t handle, uint32_t ms);
/* Formats like printf (at most 255 bytes, longer texts are cut) and sends the text.
 * Bytes accepted; 0 without writing when the text is empty. */
int32_t PortPrintf(int32_t handle, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

/* ---- Reading (each wait for an arrival is bounded by the time-out separately) ---------- */

/* Reads one byte into *dst, waiting up to ms (0: no wait, 0xFFFFFFFF: no limit).
 * 1 if a byte was stored, 0 if none arrived; -5 for a NULL dst. */
int32_t PortReadCharTimeout(int32_t handle, unsigned char* dst, uint32_t ms);
/* Reads one byte within the port time-out: 0..255, or -6 if none arrived. */
int32_t PortReadChar(int32_t handle);
/* The next byte 0..255 without removing it, or -1 if none is waiting. Never waits. */
int32_t PortPeekChar(int32_t handle);
/* As PortPeekChar, after waiting up to the port time-out when nothing is waiting. */
int32_t PortWaitChar(int32_t handle);
/* Reads bytes until the terminator (consumed, not stored), max bytes or silence; buf must
 * hold max + 1 bytes and is NUL-terminated. The terminator is compared as a byte (its low 8
 * bits), so a C char of 0x80 or above matches. Bytes stored; -5 for a NULL buf; -27 when
 * the device failed before a byte was stored (it hung up or went away: close the port and
 * open it again; buf holds an empty text). Bytes stored before such a failure are returned,
 * and the next call answers -27. The other reads report a failure as "nothing arrived". */
int32_t PortReadLine(int32_t handle, char* buf, uint32_t max, int32_t terminator);
/* Continues a line without ever waiting: takes the bytes already waiting into buf from
 * buf[*count] on, until the terminator (consumed, not stored, compared as a byte) or until
 * *count reaches max; buf holds max + 1 bytes and is NUL-terminated at *count, which counts
 * what is stored. 1: the line ended (terminator, max, or a failed device after bytes were
 * stored); 0: the waiting bytes ran out first, so call again with the same buf and *count once
 * more may have come (PortWaitInput); -5 for a NULL buf or count, or *count above max; -27
 * when the device failed (hung up or went away) and *count is 0. */
int32_t PortReadLinePart(int32_t handle, char* buf, uint32_t max, int32_t terminator,
                         uint32_t* count);
/* Waits up to ms (0: not at all, 0xFFFFFFFF: no limit) until a read would find something:
 * input, or a failed device (the read then says so). 1 if so, 0 if nothing came. */
int32_t PortWaitInput(int32_t handle, uint32_t ms);
/* Reads up to n bytes. Bytes stored (0 when n <= 0); -5 for a NULL buf with n > 0. */
int32_t PortReadBlock(int32_t handle, void* buf, int32_t n);

/* ---- Line control and status --------------------------------------------------------- */

/* Break on / off / on for 500 ms then off. 0 (platform results are not reported). */
int32_t PortBreakOn(int32_t handle);
int32_t PortBreakOff(int32_t handle);
int32_t PortSendBreak(int32_t handle);
/* Discards input (dir 0, read-ahead included) or output (dir 1). 0, -5, -27. */
int32_t PortPurge(int32_t handle, int32_t dir);
/* Receive errors since the last call (PORT_LE_* bits, 0 = none); clears them, and their
 * counts (PortGetLineErrorCounts). */
int32_t PortGetLineErrors(int32_t handle);

/* Receive errors counted by kind. */
typedef struct PortLineErrorCounts {
    uint32_t overrun; /* hardware overruns and input-queue overflows */
    uint32_t parity;
    uint32_t framing;
} PortLineErrorCounts;

/* As PortGetLineErrors, and how many errors of each kind came into *counts (NULL skips it):
 * as the driver counts them where it does, else 1 for each kind it reported. Clears bits and
 * counts; like the bits, the counts survive a close and open of the port. */
int32_t PortGetLineErrorCounts(int32_t handle, PortLineErrorCounts* counts);
/* Bytes waiting in direction dir (input includes the read-ahead). Count, or -5. */
int32_t PortQueueCount(int32_t handle, int32_t dir);
/* 1 if nothing waits in direction dir, 0 otherwise; -5 for another dir. */
int32_t PortQueueEmpty(int32_t handle, int32_t dir);

/* ---- Notification --------------------------------------------------------------------- */

/* Posts message (wParam = handle) to window once per arrival until a read finds the
 * input empty; posts at once if input is already waiting. window or message 0: off. 0. */
int32_t PortSetNotify(int32_t handle, PortWindow window, uint32_t message);
/* The registered message; 0 for a bad or closed handle. */
int32_t PortGetNotifyMessage(int32_t handle);

/* ---- Configuration -------------------------------------------------------------------- */

/* Line format; 0 keeps a value. dataBits 5, 6, 7, 8 or 16; parity 'N', 'O', 'E'; stopBits
 * 1 or 2. 0; -5 for a refused value (nothing applied); -27 if the device refuses.
 * A pseudo-terminal always runs 8 data bits without parity: there data bits 5 to 8 and the
 * parity asked are kept as the port's state (PortGetFormat reports them), not refused. */
int32_t PortSetFormat(int32_t handle, int32_t baud, int32_t dataBits, int32_t parity,
                      int32_t stopBits);
/* Reads the format back; NULL pointers are skipped. baud is 0 for a speed the library has
 * no number for (B0, a custom rate). 0; -19 if the device cannot be read; -5 for a setting
 * the library cannot express (data bits other than 7 or 8, mark or space parity, 1.5 stop
 * bits). */
int32_t PortGetFormat(int32_t handle, int32_t* baud, int32_t* dataBits, int32_t* parity,
                      int32_t* stopBits);
/* PortSetFormat(handle, 2400, 8, 'N', 1). */
int32_t PortSetDefaultFormat(int32_t handle);
/* Handshake mode 0..3 (PORT_HS_*). 0; -5 for another mode; -27 if the device refuses. */
int32_t PortSetHandshake(int32_t handle, int32_t mode);
/* The handshake mode. */
int32_t PortGetHandshake(int32_t handle);
/* Port time-out in ms; any value (used unsigned: 0 = no wait, -1 = no limit). 0. */
int32_t PortSetTimeout(int32_t handle, int32_t ms);
/* The port time-out. */
int32_t PortGetTimeout(int32_t handle);
/* Driver queue size of direction dir; the input size sets the XON/XOFF thresholds to a
 * quarter and three quarters of it. 0; -5 for another dir; -27 if the platform refuses. */
int32_t PortSetQueueSize(int32_t handle, int32_t dir, uint32_t size);
/* Queue size of direction dir, or -5. */
int32_t PortGetQueueSize(int32_t handle, int32_t dir);

/* ---- Modem lines ------------------------------------------------------------------------ */

/* Modem inputs: the line's bit while it is on, else 0 (also when the device has no modem
 * lines): carrier 128, DSR 32, CTS 16, ring 64. */
int32_t PortCarrier(int32_t handle);
int32_t PortDsr(int32_t handle);
int32_t PortClearToSend(int32_t handle);
int32_t PortRing(int32_t handle);
/* DTR / RTS: request 0 off, 1 on, 2 query. The level (0 or 1) after the request; -5 for
 * another request; -27 if the platform refuses; PortRts: -20 under hardware handshake. */
int32_t PortDtr(int32_t handle, int32_t request);
int32_t PortRts(int32_t handle, int32_t request);

#ifdef __cplusplus
}
#endif

#endif
