#include "automation/coercion.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

#include "automation/date.h"
#include "automation/dispatch.h"
#include "automation/text.h"

namespace automation {
namespace {

// How deep an object's default member may lead to further objects before the conversion gives
// up (an object whose default member returns itself would recurse forever).
constexpr int kMaxDefaultMemberDepth = 8;

Error TypeMismatch() {
  return MakeError(kErrTypeMismatch);
}
Error Overflow() {
  return MakeError(kErrOverflow);
}

// A number on its way between types: exact integers stay integers, everything else is a double.
struct Number {
  bool isInteger;
  std::int64_t integer;
  double real;
};

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

std::u16string_view TrimBlanks(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

int DigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return 99;
}

// "&H" hex or "&O" octal text: up to 4 hex digits make a 2-byte integer, up to 8 a 4-byte one,
// each read as the two's complement of its size (&HFFFF is -1), as the original platform reads
// them.
Result<Number> ParseRadix(std::u16string_view digits, int radix) {
  if (digits.empty()) return TypeMismatch();
  std::uint64_t value = 0;
  for (char16_t c : digits) {
    int digit = DigitValue(c);
    if (digit >= radix) return TypeMismatch();
    value = value * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(digit);
    if (value > 0xFFFFFFFFu) return Overflow();
  }
  std::int64_t integer;
  if (value <= 0xFFFF) {
    integer = static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
  } else {
    integer = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  }
  return Number{true, integer, static_cast<double>(integer)};
}

Result<Number> ParseNumber(std::u16string_view text) {
  text = TrimBlanks(text);
  if (text.size() >= 2 && text[0] == u'&') {
    if (text[1] == u'H' || text[1] == u'h') return ParseRadix(text.substr(2), 16);
    if (text[1] == u'O' || text[1] == u'o') return ParseRadix(text.substr(2), 8);
    return TypeMismatch();
  }
  // Decimal text: [sign] digits [. digits] [E [sign] digits], as ASCII for from_chars.
  std::string ascii;
  ascii.reserve(text.size());
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  bool digits = false;
  while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
    ascii += static_cast<char>(text[i++]);
    digits = true;
  }
  if (i < text.size() && text[i] == u'.') {
    ascii += '.';
    ++i;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
      ascii += static_cast<char>(text[i++]);
      digits = true;
    }
  }
  if (!digits) return TypeMismatch();
  if (i < text.size() &&
      (text[i] == u'E' || text[i] == u'e' || text[i] == u'D' || text[i] == u'd')) {
    ascii += 'e';
    ++i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
      ascii += static_cast<char>(text[i++]);
    bool exponentDigits = false;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') {
      ascii += static_cast<char>(text[i++]);
      exponentDigits = true;
    }
    if (!exponentDigits) return TypeMismatch();
  }
  if (i != text.size()) return TypeMismatch();
  double value = 0;
  auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (error == std::errc::result_out_of_range) {
    // Too small rounds to 0; too large does not fit a double.
    bool large = ascii.find('e') == std::string::npos || ascii[ascii.find('e') + 1] != '-';
    if (large) return Overflow();
    value = 0;
  } else if (error != std::errc() || end != ascii.data() + ascii.size()) {
    return TypeMismatch();
  }
  if (negative) value = -value;
  return Number{false, 0, value};
}

Result<Variant> DefaultMember(Dispatch* object, int depth) {
  if (object == nullptr || depth >= kMaxDefaultMemberDepth) return TypeMismatch();
  auto value = object->Invoke(kDispIdValue, InvokeKind::PropertyGet, {});
  if (!value) return TypeMismatch();
  return std::move(value).value();
}

// The scalar behind `value`: references followed, objects read through their default member.
Result<Variant> Scalar(const Variant& value) {
  const Variant* v = &value.Deref();
  Variant held;
  for (int depth = 0; v->Type() == VarType::Dispatch && !v->IsArray(); ++depth) {
    auto inner = DefaultMember(v->AsObject(), depth);
    if (!inner) return inner.error();
    held = std::move(inner).value().Value();
    v = &held;
  }
  if (v == &held) return held;
  return *v;
}

Result<Number> ToNumber(const Variant& value) {
  if (value.IsArray()) return TypeMismatch();
  switch (value.Type()) {
    case VarType::Empty:
      return Number{true, 0, 0};
    case VarType::I2:
      return Number{true, value.AsI2(), 0};
    case VarType::I4:
      return Number{true, value.AsI4(), 0};
    case VarType::UI1:
      return Number{true, value.AsUI1(), 0};
    case VarType::Bool:
      return Number{true, value.AsBool() ? -1 : 0, 0};
    case VarType::R8:
      return Number{false, 0, value.AsR8()};
    case VarType::Date:
      return Number{false, 0, value.AsDate()};
    case VarType::String:
      return ParseNumber(value.AsString());
    default:
      return TypeMismatch();
  }
}

// An integer of the range [low, high]: doubles round half to even first.
Result<std::int64_t> ToInteger(const Variant& value, std::int64_t low, std::int64_t high) {
  auto scalar = Scalar(value);
  if (!scalar) return scalar.error();
  auto number = ToNumber(*scalar);
  if (!number) return number.error();
  std::int64_t integer;
  if (number->isInteger) {
    integer = number->integer;
  } else {
    double rounded = std::nearbyint(number->real);
    if (!(rounded >= static_cast<double>(low) && rounded <= static_cast<double>(high))) {
      return Overflow();
    }
    integer = static_cast<std::int64_t>(rounded);
  }
  if (integer < low || integer > high) return Overflow();
  return integer;
}

std::u16string Ascii(std::string_view text) {
  return std::u16string(text.begin(), text.end());
}

}  // namespace

std::u16string FormatDouble(double value) {
  if (std::isnan(value)) return u"NaN";
  if (std::isinf(value)) return value > 0 ? u"Infinity" : u"-Infinity";
  if (value == 0) return u"0";
  char buffer[64];
  auto [end, error] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  if (error != std::errc()) return u"0";
  std::string text(buffer, end);
  for (char& c : text) {
    if (c == 'e') c = 'E';
  }
  return Ascii(text);
}

Result<std::int16_t> ToI2(const Variant& value) {
  auto integer = ToInteger(value, std::numeric_limits<std::int16_t>::min(),
                           std::numeric_limits<std::int16_t>::max());
  if (!integer) return integer.error();
  return static_cast<std::int16_t>(*integer);
}

Result<std::int32_t> ToI4(const Variant& value) {
  auto integer = ToInteger(value, std::numeric_limits<std::int32_t>::min(),
                           std::numeric_limits<std::int32_t>::max());
  if (!integer) return integer.error();
  return static_cast<std::int32_t>(*integer);
}

Result<std::uint8_t> ToUI1(const Variant& value) {
  auto integer = ToInteger(value, 0, 255);
  if (!integer) return integer.error();
  return static_cast<std::uint8_t>(*integer);
}

Result<double> ToR8(const Variant& value) {
  auto scalar = Scalar(value);
  if (!scalar) return scalar.error();
  auto number = ToNumber(*scalar);
  if (!number) return number.error();
  return number->isInteger ? static_cast<double>(number->integer) : number->real;
}

Result<bool> ToBool(const Variant& value) {
  auto scalar = Scalar(value);
  if (!scalar) return scalar.error();
  if (scalar->Type() == VarType::Bool && !scalar->IsArray()) return scalar->AsBool();
  if (scalar->Type() == VarType::String && !scalar->IsArray()) {
    std::u16string_view text = TrimBlanks(scalar->AsString());
    if (SameNameIgnoringCase(text, u"True")) return true;
    if (SameNameIgnoringCase(text, u"False")) return false;
  }
  auto number = ToNumber(*scalar);
  if (!number) return number.error();
  return number->isInteger ? number->integer != 0 : number->real != 0;
}

Result<std::u16string> ToString(const Variant& value) {
  auto scalar = Scalar(value);
  if (!scalar) return scalar.error();
  const Variant& v = *scalar;
  if (v.IsArray()) return TypeMismatch();
  switch (v.Type()) {
    case VarType::Empty:
      return std::u16string();
    case VarType::String:
      return v.AsString();
    case VarType::Bool:
      return std::u16string(v.AsBool() ? u"True" : u"False");
    case VarType::I2:
      return Ascii(std::to_string(v.AsI2()));
    case VarType::I4:
      return Ascii(std::to_string(v.AsI4()));
    case VarType::UI1:
      return Ascii(std::to_string(v.AsUI1()));
    case VarType::R8:
      return FormatDouble(v.AsR8());
    case VarType::Date:
      return FormatDate(v.AsDate());
    default:
      return TypeMismatch();
  }
}

Result<double> ToDate(const Variant& value) {
  auto scalar = Scalar(value);
  if (!scalar) return scalar.error();
  if (!scalar->IsArray() && scalar->Type() == VarType::Date) return scalar->AsDate();
  if (!scalar->IsArray() && scalar->Type() == VarType::String) {
    if (auto date = ParseDate(scalar->AsString())) return *date;
  }
  auto number = ToNumber(*scalar);
  if (!number) return number.error();
  return number->isInteger ? static_cast<double>(number->integer) : number->real;
}

Result<SafeArray> ToByteArray(const Variant& value) {
  const Variant& v = value.Deref();
  if (v.IsArray()) {
    const SafeArray& array = v.AsArray();
    if (array.ElementType() == VarType::UI1) return array;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(array.Count());
    for (const Variant& element : array.variants()) {
      auto byte = ToUI1(element);
      if (!byte) return byte.error();
      bytes.push_back(*byte);
    }
    return SafeArray::Bytes(std::move(bytes), array.LowerBound());
  }
  if (v.Type() == VarType::Empty) return SafeArray::Bytes({});
  if (v.Type() == VarType::String) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(v.AsString().size() * 2);
    for (char16_t unit : v.AsString()) {
      bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
      bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return SafeArray::Bytes(std::move(bytes));
  }
  return TypeMismatch();
}

Result<Variant> ChangeType(const Variant& value, VarType to) {
  const Variant& v = value.Deref();
  switch (to) {
    case VarType::Variant:
      return v;
    case VarType::Empty:
      return Variant();
    case VarType::Null:
      if (v.IsNull()) return v;
      return TypeMismatch();
    case VarType::Error:
      if (v.IsErrorCode()) return v;
      return TypeMismatch();
    case VarType::Dispatch:
      if (v.Type() == VarType::Dispatch && !v.IsArray()) return v;
      return TypeMismatch();
    case VarType::I2: {
      auto r = ToI2(v);
      if (!r) return r.error();
      return Variant::I2(*r);
    }
    case VarType::I4: {
      auto r = ToI4(v);
      if (!r) return r.error();
      return Variant::I4(*r);
    }
    case VarType::R8: {
      auto r = ToR8(v);
      if (!r) return r.error();
      return Variant::R8(*r);
    }
    case VarType::Date: {
      auto r = ToDate(v);
      if (!r) return r.error();
      return Variant::Date(*r);
    }
    case VarType::Bool: {
      auto r = ToBool(v);
      if (!r) return r.error();
      return Variant::Bool(*r);
    }
    case VarType::UI1: {
      auto r = ToUI1(v);
      if (!r) return r.error();
      return Variant::UI1(*r);
    }
    case VarType::String: {
      auto r = ToString(v);
      if (!r) return r.error();
      return Variant::String(std::move(r).value());
    }
  }
  return TypeMismatch();
}

}  // namespace automation
