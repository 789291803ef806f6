#include "controls/conversions.h"

#include "automation/coercion.h"
#include "automation/text.h"

namespace controls {

namespace automation = automation;
using automation::MakeError;
using automation::SafeArray;
using automation::VarType;

namespace {

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// The last two hexadecimal digits of an element: its value as a whole number, in the two's
// complement of its size, of which only the low byte shows. Null contributes "00" ("00" joined
// with Null is "00"); what is not a number is error 13, a number too large error 6.
Result<std::uint8_t> LowByteOf(const Variant& element) {
  const Variant& value = element.Deref();
  if (value.IsNull()) return std::uint8_t{0};
  if (!value.IsArray() && value.Type() == VarType::UI1) return value.AsUI1();
  auto number = automation::ToI4(value);
  if (!number) return number.error();
  return static_cast<std::uint8_t>(static_cast<std::uint32_t>(*number) & 0xFF);
}

}  // namespace

Result<Variant> ByteArrayToStr(const Variant& data) {
  const Variant& value = data.Deref();
  if (value.IsNull()) return Variant::Null();
  auto bytes = automation::ToByteArray(value);
  if (!bytes) return bytes.error();
  const std::vector<std::uint8_t>& raw = bytes->bytes();
  std::string_view text(reinterpret_cast<const char*>(raw.data()), raw.size());
  return Variant::String(automation::Utf16FromCp932(text));
}

Result<Variant> ByteArrayToHex(const Variant& data) {
  const Variant& value = data.Deref();
  if (!value.IsArray()) return MakeError(automation::kErrTypeMismatch);
  const SafeArray& array = value.AsArray();
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string hex;
  std::int32_t upper = array.UpperBound();
  if (upper >= 0) hex.reserve(2 * (static_cast<std::size_t>(upper) + 1));
  // The walk starts at index 0 whatever the lower bound, so an array starting above 0 fails
  // at once and one starting below 0 shows only its elements from index 0.
  for (std::int64_t i = 0; i <= upper; ++i) {
    auto element = array.Get(static_cast<std::int32_t>(i));
    if (!element) return element.error();
    auto byte = LowByteOf(*element);
    if (!byte) return byte.error();
    hex += kDigits[*byte >> 4];
    hex += kDigits[*byte & 0xF];
  }
  return Variant::String(std::move(hex));
}

Result<Variant> StrToByteArray(const Variant& data) {
  auto text = automation::ToString(data);
  if (!text) return text.error();
  std::string bytes = automation::Cp932FromUtf16(*text);
  return Variant::Bytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

Result<Variant> HexToByteArray(const Variant& data) {
  auto converted = automation::ToString(data);
  if (!converted) return converted.error();
  const std::u16string& text = *converted;
  // An array with indices 0 to (n - 1) / 2: none can be made for the empty text.
  if (text.empty()) return MakeError(automation::kErrSubscriptOutOfRange);
  std::vector<std::uint8_t> bytes((text.size() + 1) / 2);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    int high = HexDigit(text[i]);
    if (high < 0) return MakeError(automation::kErrTypeMismatch);
    if (i + 1 < text.size()) {
      int low = HexDigit(text[i + 1]);
      if (low < 0) return MakeError(automation::kErrTypeMismatch);
      bytes[i / 2] = static_cast<std::uint8_t>(high << 4 | low);
    } else {
      bytes[i / 2] = static_cast<std::uint8_t>(high);
    }
  }
  return Variant::Bytes(std::move(bytes));
}

}  // namespace controls
