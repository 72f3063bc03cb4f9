// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The real serial port of this build: the Win32 port on Windows, QSerialPort elsewhere.

#ifdef _WIN32
#include "Win32SerialPort.h"
#else
#include "QtSerialPort.h"
#endif

namespace kolmaris::cli {

#ifdef _WIN32
using SystemSerialPort = Win32SerialPort;
#else
using SystemSerialPort = QtSerialPort;
#endif

}  // namespace kolmaris::cli
