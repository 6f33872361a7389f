#pragma once
// Which tty stands behind "COMn". Two views:
//  - a device folder named by QVX_DEVICE_DIR (tests and demos): each entry is a
//    link "COMn" to a tty, with an optional text file "COMn.name" holding the
//    device's friendly name; when the variable is set, only this folder counts;
//  - otherwise the kernel's USB serial ttys (ttyUSB*, ttyACM*), numbered in the
//    order they were first seen, so a device keeps its number during a run.
#include <vector>
#include "platform/Types.h"

struct TComPortEntry {
    int number = 0;           // n of "COMn"
    AnsiString device;        // the tty path, e.g. /dev/ttyUSB2
    AnsiString friendlyName;  // what the device calls itself
    AnsiString driver;        // kernel driver of the tty ("" when unknown)
};

// The variable that names the device folder.
inline constexpr const char* kDeviceDirEnv = "QVX_DEVICE_DIR";

std::vector<TComPortEntry> EnumerateComPorts();
// The tty for COMn, or "" when there is none.
AnsiString ResolveComPort(int number);
// Parses "\\.\COMn" or "COMn" (any case); 0 when the name is neither.
int ComNumberFromName(const AnsiString& name);

// Device-folder helpers for the simulated modem.
bool RegisterComPort(const AnsiString& folder, int number, const AnsiString& device, const AnsiString& friendlyName);
bool UnregisterComPort(const AnsiString& folder, int number);
