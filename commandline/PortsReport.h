#pragma once
// korva --ports: the device file each port COM1 to COM16 opens and where that comes from, then
// the serial devices found with their descriptions and by-id links; what a user pastes when
// asking for help. Needs no display.
#include "SerialDevices.h"

#include <QString>

// The report for the ports as settings and environment make them now, and for devices.
QString PortsReport(const SerialDeviceList& devices);
// Prints the report for the system's serial devices to standard output; the exit code.
int PrintPortsReport(int argc, char** argv);
