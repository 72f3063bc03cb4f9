// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The commands the terminal answers itself: data memory, clock, sensors, relay,
// acquisition state and the per-slot element status. Each returns 0 or a result code;
// out-parameters are written only on success. A reply too short for the fields a
// command reads is refused with 0x2000F.

#include "ElementStatus.h"
#include "StepLink.h"

#include <cstdint>
#include <span>

namespace kolmaris {

// Highest address of the terminal's data memory.
inline constexpr uint32_t kTerminalMemoryEnd = 0x1FFFF;

// SetAcquisition control codes.
inline constexpr uint8_t kAcquisitionStop = 0x00;
inline constexpr uint8_t kAcquisitionRecordingOn = 0x2C;   // also the first step of a new acquisition
inline constexpr uint8_t kAcquisitionRecordingOff = 0x2D;  // for the memory download
inline constexpr uint8_t kAcquisitionClearHistory = 0x5A;
inline constexpr uint8_t kAcquisitionSleepOff = 0x86;
inline constexpr uint8_t kAcquisitionSleepOn = 0x87;
inline constexpr uint8_t kAcquisitionContinue = 0xB4;
inline constexpr uint8_t kAcquisitionStartNew = 0xB5;  // after kAcquisitionRecordingOn

// Reads buffer.size() bytes from `address` in pieces that never cross a 16-byte boundary.
// 0, 0x80002 (range beyond 0x1FFFF, nothing sent), the full send error, a link error,
// or 0x2000F when a piece does not carry exactly the bytes asked for.
uint32_t ReadTerminalMemory(StepLink& link, uint32_t address, std::span<uint8_t> buffer);

uint32_t StartVoltageMeasurement(StepLink& link);
uint32_t ReadTerminalVoltage(StepLink& link, float& volts);
uint32_t StartEnvironmentMeasurement(StepLink& link);
// Pressure in hPa, temperature in degrees Celsius, humidity in percent.
uint32_t ReadTerminalEnvironment(StepLink& link, uint32_t& pressure, float& temperature, float& humidity);
// High byte major, low byte minor.
uint32_t ReadTerminalVersion(StepLink& link, uint16_t& version);
// Seconds since 1 January 2000 on the terminal's clock.
uint32_t ReadTerminalTime(StepLink& link, uint32_t& time);
uint32_t SetTerminalTime(StepLink& link, uint32_t time);
// kRelayOff, kRelayOn or kRelayAuto.
uint32_t SetRelayMode(StepLink& link, uint8_t mode);
// Normalised flags.
uint32_t ReadTerminalFlags(StepLink& link, uint8_t& flags);
// Query period in seconds; battery time 1 to 256 cycles (256 goes out as 0).
uint32_t WriteAcquisitionSettings(StepLink& link, uint16_t queryPeriod, uint16_t cycles);
// Cycles 1 to 256 (a 0 from the terminal means 256).
uint32_t ReadAcquisitionState(StepLink& link, uint8_t& stateFlags, uint32_t& countdown, uint32_t& queryPeriod,
                              uint16_t& cycles);
// The write pointer of the data memory, or -1 when the terminal reports none.
uint32_t ReadMemoryPointer(StepLink& link, int32_t& pointer);
// Slots 1 to 16.
uint32_t ReadElementStatus(StepLink& link, uint8_t slot, ElementStatus& status);
uint32_t ReadElementKind(StepLink& link, uint8_t slot, uint8_t& function);
uint32_t SetAcquisition(StepLink& link, uint8_t controlCode);
// Slot 1 to 16, function 0 to 15.
uint32_t SetElementFunction(StepLink& link, uint8_t slot, uint8_t function);

}  // namespace kolmaris
