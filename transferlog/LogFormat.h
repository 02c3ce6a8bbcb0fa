#pragma once
// The transfer log's text. One event a line: the time in milliseconds since the port was
// opened (right-aligned in 8 columns), a blank, the event's kind (left-aligned in 8 columns), a
// blank and the event's text, which so begins right after the kind's columns. Lines that begin
// with '#' are remarks. The bytes of TX (sent) and RX (received) events are shown readably:
// printable characters as they are (the device's lines begin with blanks), control characters
// by name (<CR>, <LF>, <EOT>, <XON>, <NUL>), '<' and bytes 0x80 to 0xFF in hex (<0x3C>, <0x93>),
// and a blank that ends the text as <0x20>, which no editor drops, so that every byte can be
// read back.
#include <QByteArray>
#include <QtGlobal>

// The kinds of event.
inline constexpr const char* kLogOpen = "OPEN";          // the port opened (or failed to)
inline constexpr const char* kLogClose = "CLOSE";
inline constexpr const char* kLogPurge = "PURGE";
inline constexpr const char* kLogSent = "TX";            // bytes the driver took for sending
inline constexpr const char* kLogReceived = "RX";        // bytes taken from the driver
inline constexpr const char* kLogTimeout = "TIMEOUT";    // a read that ended by silence
inline constexpr const char* kLogRead = "READ";          // a read that failed
inline constexpr const char* kLogWrite = "WRITE";        // a write that did not go out whole
inline constexpr const char* kLogErrors = "ERRORS";      // parity, framing, overrun
inline constexpr const char* kLogDamage = "DAMAGE";      // a NUL, a line split in two
inline constexpr const char* kLogState = "STATE";        // the transfer state a step entered
inline constexpr const char* kLogTransfer = "TRANSFER";  // a dialogue with the device begins
inline constexpr const char* kLogNote = "NOTE";

// The bytes as a TX or RX event shows them.
QByteArray EscapeBytes(const char* data, qsizetype size);
// One event's line, with its line end.
QByteArray EventLine(qint64 ms, const char* kind, const QByteArray& text);
// The events from the last TRANSFER event of a log's text on; empty when it holds none.
QByteArray LastTransferOf(const QByteArray& logText);
