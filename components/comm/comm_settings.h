#pragma once
// The comm component's line settings text, "BBBB,P,D,S": speed, parity letter, data bits and
// stop bits, such as "9600,n,8,1".

#include <optional>
#include <string_view>

#include "platform/serial_line_settings.h"

namespace components::comm {

// The speed, parity, byte size and stop bits of `text` (the other fields keep their defaults),
// or nothing when the text is not of that form. Accepted: any positive speed in decimal digits;
// parity E, M, N, O or S in either case; 4 to 8 data bits; 1, 1.5 or 2 stop bits; blanks around
// a field. Whether the port can take them is the port's to say.
std::optional<platform::SerialLineSettings> ParseCommSettings(std::string_view text);

}  // namespace components::comm
