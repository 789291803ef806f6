#pragma once
// Coercion between Variant types, as the original platform's change-type does it: numbers, Booleans
// and strings convert both ways; a number that does not fit the target is error 6 (overflow); a
// conversion that cannot be made (an error value, Null, an array to a scalar, a string that is
// not a number) is error 13 (type mismatch). Doubles round half to even on their way to an
// integer. Booleans are -1 (true) and 0 as numbers, "True" and "False" as strings; a string
// converts to a Boolean from "True"/"False" (any case) or from a number. A string converts to a
// number from decimal text (blanks around it, a sign, a fraction, an exponent) or from "&H" hex
// and "&O" octal text. An object converts through its default member (DISPID 0). References are
// followed first.

#include <cstdint>
#include <string>
#include <vector>

#include "automation/variant.h"

namespace automation {

// `value` as type `to` (a base type: Empty, Null, I2, I4, R8, Date, String, Bool, UI1, Error,
// Variant returns the value itself, Dispatch only for objects).
Result<Variant> ChangeType(const Variant& value, VarType to);

Result<std::int16_t> ToI2(const Variant& value);
Result<std::int32_t> ToI4(const Variant& value);
Result<double> ToR8(const Variant& value);
Result<bool> ToBool(const Variant& value);
Result<std::uint8_t> ToUI1(const Variant& value);
Result<std::u16string> ToString(const Variant& value);
// A date value (see automation/date.h): a date as it is, a number as days, a string read as a
// date ("2026/12/11 14:19:25") or else as a number. As a string a date is FormatDate's text; as a
// number, its days.
Result<double> ToDate(const Variant& value);

// An array of unsigned bytes from a Variant, as assigning to a byte array variable does: a byte
// array as it is (with its lower bound), an array of Variants element by element (each coerced
// to a byte), a string as its UTF-16 code units in little-endian order, Empty as no bytes;
// anything else is error 13.
Result<SafeArray> ToByteArray(const Variant& value);

// The text of a double as the original platform writes it: up to 15 significant digits, no trailing
// zeros, an exponent ("1E+20", "1E-05") outside 1E-5 .. 1E15.
std::u16string FormatDouble(double value);

}  // namespace automation
