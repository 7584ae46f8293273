#pragma once

#include <cstdint>
#include <memory>

class DeviceContext;

// The reading threads. Each ends by itself when its stop flag is set, when a newer run of the
// same thread was started, or when it has no open device. They only post messages and write
// settings; they never touch a window.
unsigned MouseProc(std::shared_ptr<DeviceContext> context, uint32_t run);
unsigned BTMouseProc(std::shared_ptr<DeviceContext> context);
unsigned LpProcProc(std::shared_ptr<DeviceContext> context, uint32_t run);

// Clears the kind's stop flag and starts its thread, detached: for the mouse BTMouseProc when
// the Bluetooth model was found, else MouseProc; for the pen LpProcProc. Other kinds have none.
void StartReadingThread(const std::shared_ptr<DeviceContext>& context, int kind);
// Sets the kind's stop flag; the thread ends within one read time-out.
void StopReadingThread(DeviceContext& context, int kind);
