#pragma once
// How line settings become terminal attributes. Kept apart from the device so that the mapping
// can be checked without a port.

#include <termios.h>

#include "platform/serial_line_settings.h"

namespace platform {

// The speed constant for a speed the terminal interface names (B9600 for 9600 ...), or B0 when it
// has none and the speed must be set directly.
speed_t StandardSpeed(int baudRate);

// Puts `attributes` in raw mode (no canonical input, no echo, no output processing, CLOCAL and
// CREAD) and applies the settings; the fields the settings do not name keep their values. Sets
// `customSpeed` when the speed has no constant. False with EINVAL as the last error when a
// setting cannot be had: a speed of 0 or less, a byte size outside 5 to 8, one and a half stop
// bits with more than five data bits, an unknown parity.
bool ApplyLineSettings(const SerialLineSettings& settings, termios& attributes, bool& customSpeed);

// Sets a speed that has no constant (termios2 with BOTHER); false with the last error set.
bool SetCustomSpeed(int fd, int baudRate);

// The port's input and output speeds in bits per second, read through termios2.
bool ReadSpeeds(int fd, int& input, int& output);

}  // namespace platform
