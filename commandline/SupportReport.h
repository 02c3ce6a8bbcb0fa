#pragma once
// The support report: what a helper needs to understand a user's trouble with the device, in one
// text to paste into a message. korva's and Qt's versions, the system, the chosen port with its
// device file and where that comes from, the serial device behind it (description, driver, USB
// vendor and product, serial number), the line settings and modem lines as the open port reports
// them, the line errors of the run, the capture history's folder with its newest captures, and
// the transfer log of the last transfer.
#include "SerialDevices.h"

#include <QString>

class CCaptureHistory;
class CKorvaDoc;
class CTransferLog;

// How many of the newest captures the report lists.
inline constexpr int kReportedCaptures = 5;

QString SupportReport(const CKorvaDoc& doc, const CTransferLog& log, const SerialDeviceList& devices,
                      const CCaptureHistory& history);
// The report as the program has it now: its document, its log, the system's devices and the
// capture history's folder.
QString SupportReport(const CKorvaDoc& doc);
// korva --report: opens the chosen port (or the one given, -1: the chosen one), prints the
// report to standard output and closes the port again; the exit code.
int PrintSupportReport(int32_t port);
