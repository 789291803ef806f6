// Writes arbitrary bytes as a settings file, then writes one key into it or removes one section,
// and checks: no read or write outside memory (AddressSanitizer sees any); a written key reads
// back as the value written (cut at its first line break or NUL, as writing makes a value safe)
// and its integer reading agrees with its text; every other key the file holds reads as it did
// before (after a removal, every key of another section).
//
// The input is one byte choosing the section, one choosing the key, one whose high bit asks for
// the removal and whose other bits give the value's length, the value's bytes, then the file.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/profile.h"

namespace {

// The walks below check the library and should not steer the fuzzer: only the library's own
// code is instrumented for coverage.
#define TK_NOT_COVERED __attribute__((no_sanitize("coverage")))

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "profile check failed: %s\n", what);
    std::abort();
  }
}

// Names a caller may give: plain letters in both cases (keys are found without regard to case),
// the tools' own, and double-byte characters whose second byte looks like "A", "a", "]" or "\".
constexpr std::string_view kNames[16] = {
    "S",     "s",  "K",        "k",        "POS",      "XPOS",     "TCPIP", "DATA",
    "SRV_1", "Ab", "\x83\x41", "\x83\x61", "\x81\x5D", "\x95\x5C", "a b",   "x.y",
};

TK_NOT_COVERED std::string Name(std::uint8_t choice) {
  std::string name(kNames[choice & 0xF]);
  if (choice >> 4) name += kNames[choice >> 4];
  return name;
}

// Equal without regard to ASCII case, byte by byte. Names the library finds equal are always
// equal here too (it compares the halves of a double-byte character exactly).
TK_NOT_COVERED bool LooselySame(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

TK_NOT_COVERED std::string_view TrimSpaces(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\x1A'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

// The section and key names that the file seems to hold, found by a rough walk: a name that is
// not quite the library's only gives a check that reads the default twice.
TK_NOT_COVERED std::vector<std::pair<std::string, std::string>> NamesIn(std::string_view file) {
  std::vector<std::pair<std::string, std::string>> names;
  std::string section;
  std::size_t begin = 0;
  while (begin < file.size() && names.size() < 48) {
    std::size_t end = file.find('\n', begin);
    if (end == std::string_view::npos) end = file.size();
    const std::string_view line = TrimSpaces(file.substr(begin, end - begin));
    begin = end + 1;
    if (!line.empty() && line.front() == '[') {
      const std::size_t close = line.rfind(']');
      if (close != std::string_view::npos && close > 0) {
        section = std::string(TrimSpaces(line.substr(1, close - 1)));
        continue;
      }
    }
    const std::size_t equals = line.find('=');
    if (equals != std::string_view::npos)
      names.emplace_back(section, std::string(TrimSpaces(line.substr(0, equals))));
  }
  return names;
}

// The integer reading of a value read as text (see GetProfileInt): the first 29 bytes, leading
// bytes up to the space skipped, an optional sign, digits wrapping modulo 2^32.
TK_NOT_COVERED int IntegerOf(std::string_view text, int defaultValue) {
  if (text.empty()) return defaultValue;
  text = text.substr(0, 29);
  std::size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::uint32_t number = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    number = number * 10u + static_cast<std::uint32_t>(text[i] - '0');
  return static_cast<int>(negative ? 0u - number : number);
}

// One folder for the run, removed when the process ends normally. Every input writes the file
// and reads it many times, so the folder is in memory where the system offers one (on a disk the
// run is more than ten times slower).
class Scratch {
 public:
  Scratch() {
    std::random_device random;
    std::error_code ignored;
    const std::filesystem::path memory = "/dev/shm";
    const std::filesystem::path base = std::filesystem::is_directory(memory, ignored)
                                           ? memory
                                           : std::filesystem::temp_directory_path();
    folder_ = base / ("profile_fuzz_" + std::to_string(random()) + std::to_string(random()));
    std::filesystem::create_directories(folder_);
    file_ = (folder_ / "fuzz.ini").string();
  }
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  const std::string& File() const { return file_; }

 private:
  std::filesystem::path folder_;
  std::string file_;
};

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  Check(static_cast<bool>(out), "the scratch file cannot be written");
}

constexpr std::string_view kMissing = "\x01missing";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Scratch scratch;
  if (size < 3) return 0;
  const std::string section = Name(data[0]);
  const std::string key = Name(data[1]);
  const bool remove = (data[2] & 0x80) != 0;
  const std::size_t valueLength = std::min<std::size_t>(data[2] & 0x7F, size - 3);
  const std::string_view rest(reinterpret_cast<const char*>(data) + 3, size - 3);
  const std::string_view value = rest.substr(0, valueLength);
  const std::string_view file = rest.substr(valueLength);
  const std::string& path = scratch.File();
  WriteFile(path, file);

  std::vector<std::pair<std::string, std::string>> others = NamesIn(file);
  // The written key in other sections and other keys in its section are neighbours too.
  others.emplace_back(section, key + "x");
  others.emplace_back(section + "x", key);
  // What the change may alter: the key written, or every key of the section removed (a later
  // section of the same name comes to light).
  std::erase_if(others, [&](const auto& name) {
    return LooselySame(name.first, section) && (remove || LooselySame(name.second, key));
  });
  std::vector<std::string> before;
  before.reserve(others.size());
  for (const auto& [otherSection, otherKey] : others)
    before.push_back(platform::GetProfileString(otherSection, otherKey, kMissing, path));

  if (remove) {
    Check(platform::DeleteProfileSection(section, path), "the removal failed");
  } else {
    Check(platform::WriteProfileString(section, key, value, path), "the write failed");
    const std::string expected(value.substr(0, value.find_first_of(std::string_view("\r\n\0", 3))));
    const std::string read = platform::GetProfileString(section, key, kMissing, path);
    Check(read == expected, "the key does not read back as written");
    Check(platform::GetProfileInt(section, key, -77, path) == IntegerOf(read, -77),
          "the integer reading disagrees with the text");
  }
  for (std::size_t i = 0; i < others.size(); ++i) {
    Check(
        platform::GetProfileString(others[i].first, others[i].second, kMissing, path) == before[i],
        "another key reads differently after the change");
  }
  return 0;
}
