// Feeds arbitrary blocks through both directions of the bracket notation and checks: no write
// outside the documented buffer sizes (the buffers are exactly that large, so AddressSanitizer
// sees any overrun), the display never holds a NUL, it agrees with a plain walk over the name
// table, reading agrees with a plain walk too, and a display reads back as its block whenever no
// literal "<" of the block happens to spell a name or hexadecimal form.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/notation.h"
#include "platform/cp932.h"

namespace {

// The plain walks below check the library and should not steer the fuzzer (nor cost a
// comparison hook per byte): only the library's own code is instrumented for coverage.
#define TK_NOT_COVERED __attribute__((no_sanitize("coverage")))

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "notation check failed: %s\n", what);
    std::abort();
  }
}

// Plain loops instead of the library's comparisons, whose intercepted memcmp would feed every
// byte compared to the fuzzer.
TK_NOT_COVERED bool Same(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) return false;
  return true;
}

TK_NOT_COVERED bool NameAt(std::string_view text, std::size_t at, std::string_view name) {
  if (text.size() - at < name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i)
    if (text[at + i] != name[i]) return false;
  return true;
}

TK_NOT_COVERED int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The name or hexadecimal form that starts at `at`, as its length, or 0.
TK_NOT_COVERED std::size_t FormAt(std::string_view text, std::size_t at) {
  for (const auto& entry : core::ControlNameTable)
    if (NameAt(text, at, entry.name)) return entry.name.size();
  if (at + 4 <= text.size() && text[at] == '<' && text[at + 3] == '>' &&
      DigitValue(text[at + 1]) >= 0 && DigitValue(text[at + 2]) >= 0)
    return 4;
  return 0;
}

struct Walked {
  std::string text;
  bool literalFormInside = false;  // a "<" of the block spells a name or hexadecimal form
};

TK_NOT_COVERED Walked WalkedDisplay(std::string_view block) {
  Walked walked;
  walked.text.reserve(block.size() * core::kNotationCharsPerByte);
  std::vector<std::size_t> literalAt;
  char hex[8];
  for (std::size_t i = 0; i < block.size(); ++i) {
    const auto byte = static_cast<unsigned char>(block[i]);
    if (platform::IsLeadByte(byte) &&
        (i + 1 == block.size() ||
         platform::IsTrailByte(static_cast<unsigned char>(block[i + 1])))) {
      const std::size_t count = i + 1 == block.size() ? 1 : 2;
      walked.text.append(block.substr(i, count));
      i += count - 1;
      continue;
    }
    bool named = false;
    for (const auto& entry : core::ControlNameTable) {
      if (byte >= 0x20) break;  // every named code is a control code
      if (entry.code == byte) {
        walked.text.append(entry.name);
        named = true;
        break;
      }
    }
    if (named) continue;
    if (byte >= 0x20 && byte <= 0x7E) {
      if (byte == '<') literalAt.push_back(walked.text.size());
      walked.text.push_back(static_cast<char>(byte));
      continue;
    }
    std::snprintf(hex, sizeof hex, "<%02x>", byte);
    walked.text.append(hex);
  }
  for (std::size_t at : literalAt)
    if (FormAt(walked.text, at) != 0) walked.literalFormInside = true;
  return walked;
}

TK_NOT_COVERED std::string WalkedReading(std::string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] != '<') {  // every form starts with "<"
      bytes.push_back(text[i]);
      ++i;
      continue;
    }
    bool named = false;
    for (const auto& entry : core::ControlNameTable) {
      if (NameAt(text, i, entry.name)) {
        bytes.push_back(static_cast<char>(entry.code));
        i += entry.name.size();
        named = true;
        break;
      }
    }
    if (named) continue;
    if (FormAt(text, i) == 4) {
      bytes.push_back(static_cast<char>(DigitValue(text[i + 1]) << 4 | DigitValue(text[i + 2])));
      i += 4;
      continue;
    }
    bytes.push_back(text[i]);
    ++i;
  }
  return bytes;
}

std::string Display(std::string_view block, bool hexOnly) {
  std::vector<char> out(block.size() * core::kNotationCharsPerByte + 1);
  const std::size_t length =
      core::BytesToNotation(out.data(), reinterpret_cast<const unsigned char*>(block.data()),
                            static_cast<long>(block.size()), hexOnly);
  Check(length <= block.size() * core::kNotationCharsPerByte, "display longer than 5 per byte");
  Check(std::strlen(out.data()) == length, "display holds a NUL or is not terminated");
  return std::string(out.data(), length);
}

std::string Reading(std::string_view text) {
  std::vector<unsigned char> out(text.size());
  const long count = core::NotationToBytes(out.data(), text.data(), static_cast<long>(text.size()));
  Check(count >= 0 && static_cast<std::size_t>(count) <= text.size(), "reading longer than text");
  return std::string(reinterpret_cast<const char*>(out.data()), static_cast<std::size_t>(count));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view block(reinterpret_cast<const char*>(data), size);

  const std::string text = Display(block, false);
  const Walked walked = WalkedDisplay(block);
  Check(Same(text, walked.text), "display differs from the walk");
  const std::string hex = Display(block, true);
  Check(hex.size() == 4 * size, "all-hex display is not four characters per byte");

  Check(Same(Reading(hex), block), "all-hex display does not read back");
  const std::string readBack = Reading(text);
  if (!walked.literalFormInside) Check(Same(readBack, block), "display does not read back");
  if (block.find('<') == std::string_view::npos)
    Check(Same(readBack, block), "display of a block without '<' does not read back");

  Check(Same(Reading(block), WalkedReading(block)), "reading differs from the walk");
  return 0;
}
