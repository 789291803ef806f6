#pragma once
// The four conversions that both controls carry, between byte arrays, text (in the system code
// page, CP932) and hexadecimal text. Pure functions: no control state.

#include "automation/variant.h"

namespace controls {

using automation::Result;
using automation::Variant;

// Bytes (a byte array, an array of Variants each taken as a byte, or a string's UTF-16 code
// units) read as CP932 text. Null gives Null; anything else that is not bytes is error 13.
Result<Variant> ByteArrayToStr(const Variant& data);
// Two upper-case hex digits per element from index 0 to the upper bound. Not an array: error
// 13; a lower bound above 0: error 9 (index 0 is outside the array).
Result<Variant> ByteArrayToHex(const Variant& data);
// The text's CP932 bytes as a byte array with lower bound 0 (characters outside CP932 become
// "?"). A value that is not text is taken as its text (numbers, Booleans); Null is error 13.
Result<Variant> StrToByteArray(const Variant& data);
// Two hex digits per byte, the last byte from a single last digit when the length is odd. The
// empty text is error 9; any character that is not a hex digit is error 13.
Result<Variant> HexToByteArray(const Variant& data);

}  // namespace controls
