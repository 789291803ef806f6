// Feeds arbitrary input through the controls' hexadecimal conversion and the automation layer's
// coercions, and checks: no memory fault, HexToByteArray's length rule (indices 0 to
// floor((n - 1) / 2), error 9 for the empty text, error 13 exactly when a character is not a hex
// digit), its agreement with ByteArrayToHex, and that every integer or Boolean that converts to
// text converts back to the same value.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "automation/coercion.h"
#include "controls/conversions.h"

namespace {

namespace pa = automation;
using pa::Variant;
using pa::VarType;

#define TK_NOT_COVERED __attribute__((no_sanitize("coverage")))

TK_NOT_COVERED void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "conversion check failed: %s\n", what);
    std::abort();
  }
}

TK_NOT_COVERED bool IsHexDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

TK_NOT_COVERED char16_t Upper(char16_t c) {
  return c >= u'a' && c <= u'f' ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

// The text from the input: each byte one character (so hex digits are frequent), or with the
// first byte odd, each pair of bytes one UTF-16 code unit.
TK_NOT_COVERED std::u16string TextOf(const std::uint8_t* data, std::size_t size, bool wide) {
  std::u16string text;
  if (wide) {
    for (std::size_t i = 0; i + 1 < size; i += 2) {
      text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
    }
  } else {
    for (std::size_t i = 0; i < size; ++i) text += static_cast<char16_t>(data[i]);
  }
  return text;
}

void CheckHex(const std::u16string& text) {
  auto bytes = controls::HexToByteArray(Variant::String(text));
  bool allHex = true;
  for (char16_t c : text) allHex = allHex && IsHexDigit(c);
  if (text.empty()) {
    Check(!bytes.ok() && bytes.error().number == 9, "the empty text is error 9");
    return;
  }
  if (!allHex) {
    Check(!bytes.ok() && bytes.error().number == 13, "a non-hex character is error 13");
    return;
  }
  Check(bytes.ok(), "hex text converts");
  const pa::SafeArray& array = bytes->AsArray();
  Check(array.ElementType() == VarType::UI1, "a byte array");
  Check(array.LowerBound() == 0, "lower bound 0");
  Check(array.UpperBound() == static_cast<std::int32_t>((text.size() - 1) / 2),
        "upper bound (n - 1) / 2");
  auto hex = controls::ByteArrayToHex(*bytes);
  Check(hex.ok(), "bytes convert back");
  // Back in upper case; an odd last digit comes back with a leading 0.
  std::u16string expected;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
    expected += Upper(text[i]);
    expected += Upper(text[i + 1]);
  }
  if (text.size() % 2 == 1) {
    expected += u'0';
    expected += Upper(text.back());
  }
  Check(hex->AsString() == expected, "hex round trip");
}

// A Variant built from the input: the first byte picks the type.
Variant VariantOf(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return Variant();
  std::uint64_t bits = 0;
  for (std::size_t i = 1; i < size && i < 9; ++i) bits |= std::uint64_t{data[i]} << (8 * (i - 1));
  switch (data[0] % 10) {
    case 0:
      return Variant::I2(static_cast<std::int16_t>(bits));
    case 1:
      return Variant::I4(static_cast<std::int32_t>(bits));
    case 2: {
      double value;
      static_assert(sizeof value == sizeof bits);
      __builtin_memcpy(&value, &bits, sizeof value);
      return Variant::R8(value);
    }
    case 3:
      return Variant::Bool(bits & 1);
    case 4:
      return Variant::UI1(static_cast<std::uint8_t>(bits));
    case 5:
      return Variant::Null();
    case 6:
      return Variant::ErrorCode(static_cast<std::int32_t>(bits));
    case 7:
      return Variant::Bytes(std::vector<std::uint8_t>(data + 1, data + size),
                            static_cast<std::int8_t>(data[0]) / 10);
    default:
      return Variant::String(TextOf(data + 1, size - 1, data[0] & 1));
  }
}

void CheckCoercions(const Variant& value) {
  static constexpr VarType kTypes[] = {VarType::Empty, VarType::Null,    VarType::I2,
                                       VarType::I4,    VarType::R8,      VarType::String,
                                       VarType::Error, VarType::Bool,    VarType::Variant,
                                       VarType::UI1,   VarType::Dispatch};
  for (VarType type : kTypes) {
    auto converted = pa::ChangeType(value, type);
    if (!converted) {
      int number = converted.error().number;
      Check(number == 6 || number == 13, "coercion fails with 6 or 13");
      continue;
    }
    // Whole numbers and Booleans read back from their text.
    if (type == VarType::I2 || type == VarType::I4 || type == VarType::UI1 ||
        type == VarType::Bool) {
      auto text = pa::ChangeType(*converted, VarType::String);
      Check(text.ok(), "a number converts to text");
      auto back = pa::ChangeType(*text, type);
      Check(back.ok() && *back == *converted, "text converts back to the same number");
    }
  }
  auto bytes = pa::ToByteArray(value);
  (void)bytes;
  auto text = controls::ByteArrayToStr(value);
  if (text.ok() && !text->IsNull()) (void)controls::StrToByteArray(*text);
  (void)controls::ByteArrayToHex(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  CheckHex(TextOf(data + 1, size - 1, data[0] & 1));
  CheckCoercions(VariantOf(data, size));
  return 0;
}
