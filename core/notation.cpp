#include "core/notation.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "platform/cp932.h"

namespace core {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

// What the display walk does with one byte, decided once per byte value from the name table,
// the printable range and the lead-byte test, so that the walk needs one look-up per byte.
enum class ByteClass : std::uint8_t { Named, Printable, Lead, Hex };

// The text a byte gives when it stands alone: its name, itself, or its hexadecimal form (a lead
// byte keeps its hexadecimal form for when no trail byte follows it).
struct ByteForm {
  char text[kNotationCharsPerByte];
  std::uint8_t length;
  ByteClass byteClass;
};

constexpr ByteForm HexForm(unsigned char byte, ByteClass byteClass) {
  return {{'<', kHexDigits[byte >> 4], kHexDigits[byte & 0x0F], '>', '\0'}, 4, byteClass};
}

constexpr std::array<ByteForm, 256> MakeTextForms() {
  std::array<ByteForm, 256> forms{};
  for (int value = 0; value < 256; ++value) {
    const auto byte = static_cast<unsigned char>(value);
    if (platform::IsLeadByte(byte)) {
      forms[value] = HexForm(byte, ByteClass::Lead);
      continue;
    }
    const ControlName* named = nullptr;
    for (const ControlName& entry : ControlNameTable) {
      if (entry.code == byte) {
        named = &entry;
        break;
      }
    }
    if (named != nullptr) {
      ByteForm form{{}, static_cast<std::uint8_t>(named->name.size()), ByteClass::Named};
      for (std::size_t k = 0; k < named->name.size(); ++k) form.text[k] = named->name[k];
      forms[value] = form;
    } else if (byte >= 0x20 && byte <= 0x7E) {
      forms[value] = {{static_cast<char>(byte)}, 1, ByteClass::Printable};
    } else {
      forms[value] = HexForm(byte, ByteClass::Hex);
    }
  }
  return forms;
}

constexpr std::array<ByteForm, 256> kTextForms = MakeTextForms();

constexpr std::array<ByteForm, 256> MakeHexForms() {
  std::array<ByteForm, 256> forms{};
  for (int value = 0; value < 256; ++value)
    forms[value] = HexForm(static_cast<unsigned char>(value), ByteClass::Hex);
  return forms;
}

constexpr std::array<ByteForm, 256> kHexForms = MakeHexForms();

// The value of a hexadecimal digit of either case, or -1.
constexpr std::array<std::int8_t, 256> MakeDigitValues() {
  std::array<std::int8_t, 256> values{};
  for (int value = 0; value < 256; ++value) {
    if (value >= '0' && value <= '9') {
      values[value] = static_cast<std::int8_t>(value - '0');
    } else if (value >= 'a' && value <= 'f') {
      values[value] = static_cast<std::int8_t>(value - 'a' + 10);
    } else if (value >= 'A' && value <= 'F') {
      values[value] = static_cast<std::int8_t>(value - 'A' + 10);
    } else {
      values[value] = -1;
    }
  }
  return values;
}

constexpr std::array<std::int8_t, 256> kDigitValues = MakeDigitValues();

// For each character that may follow "<", the names (as bits in table order) that start with
// it, so that reading compares only the names that can match.
constexpr std::array<std::uint16_t, 256> MakeNameCandidates() {
  static_assert(ControlNameTable.size() <= 16);
  std::array<std::uint16_t, 256> candidates{};
  for (std::size_t index = 0; index < ControlNameTable.size(); ++index) {
    const auto second = static_cast<unsigned char>(ControlNameTable[index].name[1]);
    candidates[second] = static_cast<std::uint16_t>(candidates[second] | (1u << index));
  }
  return candidates;
}

constexpr std::array<std::uint16_t, 256> kNameCandidates = MakeNameCandidates();

std::size_t HexOnlyText(char* out, const unsigned char* bytes, long length) {
  char* end = out;
  for (long i = 0; i < length; ++i) {
    std::memcpy(end, kHexForms[bytes[i]].text, 4);
    end += 4;
  }
  *end = '\0';
  return static_cast<std::size_t>(end - out);
}

// Before byte i is handled, at most 5 * i characters have been written, so copying a whole
// five-character form stays inside the 5 * length + 1 characters of `out`.
std::size_t MixedText(char* out, const unsigned char* bytes, long length) {
  char* end = out;
  long i = 0;
  while (i < length) {
    const unsigned char byte = bytes[i];
    const ByteForm& form = kTextForms[byte];
    if (form.byteClass == ByteClass::Lead) {
      if (i + 1 == length) {
        // A character split between two blocks: its lead byte closes the text.
        *end++ = static_cast<char>(byte);
        break;
      }
      if (platform::IsTrailByte(bytes[i + 1])) {
        end[0] = static_cast<char>(byte);
        end[1] = static_cast<char>(bytes[i + 1]);
        end += 2;
        i += 2;
        continue;
      }
      // A lead byte without a trail byte stands alone in hexadecimal form, so that the byte
      // after it (a NUL, a control code) is still shown by its own rule.
    }
    std::memcpy(end, form.text, kNotationCharsPerByte);
    end += form.length;
    ++i;
  }
  *end = '\0';
  return static_cast<std::size_t>(end - out);
}

}  // namespace

std::size_t BytesToNotation(char* out, const unsigned char* bytes, long length, bool hexOnly) {
  if (length <= 0) {
    *out = '\0';
    return 0;
  }
  return hexOnly ? HexOnlyText(out, bytes, length) : MixedText(out, bytes, length);
}

std::string BytesToNotation(std::string_view bytes, bool hexOnly) {
  std::string text;
  AppendNotation(text, bytes, hexOnly);
  return text;
}

void AppendNotation(std::string& text, std::string_view bytes, bool hexOnly) {
  if (bytes.empty()) return;
  const std::size_t start = text.size();
  // The hexadecimal form takes exactly four characters a byte; the mixed form at most five.
  const std::size_t perByte = hexOnly ? 4 : kNotationCharsPerByte;
  text.resize(start + bytes.size() * perByte + 1);
  const std::size_t length =
      BytesToNotation(text.data() + start, reinterpret_cast<const unsigned char*>(bytes.data()),
                      static_cast<long>(bytes.size()), hexOnly);
  text.resize(start + length);
}

long NotationToBytes(unsigned char* out, const char* text, long length) {
  if (length <= 0) return 0;
  unsigned char* end = out;
  const char* at = text;
  const char* const stop = text + length;
  while (at < stop) {
    const char character = *at;
    if (character != '<') {
      *end++ = static_cast<unsigned char>(character);
      ++at;
      continue;
    }
    const auto left = static_cast<std::size_t>(stop - at);
    if (left >= 4) {
      // A name and the hexadecimal form never match at the same place (no name has two
      // digits between its brackets), so which is tried first does not change the result.
      const int high = kDigitValues[static_cast<unsigned char>(at[1])];
      const int low = kDigitValues[static_cast<unsigned char>(at[2])];
      if (at[3] == '>' && high >= 0 && low >= 0) {
        *end++ = static_cast<unsigned char>(high << 4 | low);
        at += 4;
        continue;
      }
      bool matched = false;
      for (unsigned candidates = kNameCandidates[static_cast<unsigned char>(at[1])];
           candidates != 0; candidates &= candidates - 1) {
        const ControlName& entry = ControlNameTable[std::countr_zero(candidates)];
        if (entry.name.size() <= left &&
            std::memcmp(at, entry.name.data(), entry.name.size()) == 0) {
          *end++ = entry.code;
          at += entry.name.size();
          matched = true;
          break;
        }
      }
      if (matched) continue;
    }
    *end++ = '<';
    ++at;
  }
  return end - out;
}

std::string NotationToBytes(std::string_view text) {
  std::string bytes(text.size(), '\0');
  const long count = NotationToBytes(reinterpret_cast<unsigned char*>(bytes.data()), text.data(),
                                     static_cast<long>(text.size()));
  bytes.resize(static_cast<std::size_t>(count));
  return bytes;
}

}  // namespace core
