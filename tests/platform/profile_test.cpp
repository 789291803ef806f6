#include "platform/profile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <string>
#include <thread>
#include <vector>

#include "platform/cp932.h"
#include "platform/last_error.h"
#include "support/temp_dir.h"

namespace {

using testing_support::ReadWholeFile;
using testing_support::TempDir;
using testing_support::WriteWholeFile;

struct ReadCase {
  const char* name;
  std::string content;
  std::string section;
  std::string key;
  std::string expected;  // with the default "DEF"
};

TEST(Profile, ReadsValuesAsTheOriginalFunctions) {
  const ReadCase cases[] = {
      {"plain", "[S]\r\nK=v\r\n", "S", "K", "v"},
      {"missing key gives the default", "[S]\r\nK=v\r\n", "S", "X", "DEF"},
      {"missing section gives the default", "[S]\r\nK=v\r\n", "T", "K", "DEF"},
      {"empty value is empty, not the default", "[S]\r\nK=\r\n", "S", "K", ""},
      {"blanks trimmed everywhere", "  [ S ]  \r\n  K  =  a b  \r\n", "S", "K", "a b"},
      {"tabs and Ctrl-Z are blanks", "[S]\r\n\tK\t=\tv\x1A\r\n", "S", "K", "v"},
      {"section and key without regard to case", "[pos]\r\nxPos=5\r\n", "POS", "XPOS", "5"},
      {"double quotes dropped", "[S]\r\nK=\"a b\"\r\n", "S", "K", "a b"},
      {"single quotes dropped", "[S]\r\nK='x'\r\n", "S", "K", "x"},
      {"quotes inside blanks dropped", "[S]\r\nK=  \" padded \"  \r\n", "S", "K", " padded "},
      {"only one pair dropped", "[S]\r\nK=\"\"x\"\"\r\n", "S", "K", "\"x\""},
      {"mismatched quotes kept", "[S]\r\nK=\"x'\r\n", "S", "K", "\"x'"},
      {"a lone quote kept", "[S]\r\nK=\"\r\n", "S", "K", "\""},
      {"empty quotes give empty", "[S]\r\nK=\"\"\r\n", "S", "K", ""},
      {"value holds further equals signs", "[S]\r\nK=a=b\r\n", "S", "K", "a=b"},
      {"LF-only lines", "[S]\nA=1\nK=v\n", "S", "K", "v"},
      {"last line without line end", "[S]\r\nK=v", "S", "K", "v"},
      {"first of two keys counts", "[S]\r\nK=1\r\nK=2\r\n", "S", "K", "1"},
      {"first of two sections counts", "[S]\r\nA=1\r\n[S]\r\nK=2\r\n", "S", "K", "DEF"},
      {"comment line is no key", "[S]\r\n;K=1\r\n", "S", "K", "DEF"},
      {"key before any section belongs to none", "K=1\r\n[S]\r\n", "S", "K", "DEF"},
      {"key of another section not taken", "[T]\r\nK=1\r\n[S]\r\n", "S", "K", "DEF"},
      {"line without equals is no key", "[S]\r\nK\r\n", "S", "K", "DEF"},
      // 0x83 0x41 and 0x83 0x61 are two katakana whose second bytes look like "A" and "a".
      {"double-byte names compared exactly", "[S]\r\n\x83\x61=1\r\n", "S", "\x83\x41", "DEF"},
      {"double-byte key found", "[S]\r\n\x83\x41=1\r\n", "S", "\x83\x41", "1"},
      // "[" 0x81 0x5D: the 0x5D is the second half of a character, not a closing bracket.
      {"bracket inside a character does not close", "[\x81\x5D\r\nK=1\r\n", "\x81", "K", "DEF"},
      {"double-byte section", "[\x81\x5D]\r\nK=1\r\n", "\x81\x5D", "K", "1"},
      {"CP932 value kept byte for byte", "[S]\r\nK=" + platform::Cp932("<STX>あいうえお<ETX>"), "S",
       "K", platform::Cp932("<STX>あいうえお<ETX>")},
  };
  TempDir dir;
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir / "case.ini";
    WriteWholeFile(path, c.content);
    EXPECT_EQ(platform::GetProfileString(c.section, c.key, "DEF", path), c.expected);
  }
}

TEST(Profile, MissingFileGivesDefaultsAndIsNotCreated) {
  TempDir dir;
  std::string path = dir / "none.ini";
  EXPECT_EQ(platform::GetProfileString("S", "K", "DEF", path), "DEF");
  EXPECT_EQ(platform::GetProfileInt("S", "K", 17, path), 17);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(Profile, LongValueIsCutAtTheBufferWithoutSplittingACharacter) {
  TempDir dir;
  std::string path = dir / "long.ini";
  WriteWholeFile(path, "[S]\r\nK=" + std::string(30000, 'x') + "\r\n");
  EXPECT_EQ(platform::GetProfileString("S", "K", "", path), std::string(20479, 'x'));

  // One ASCII byte before double-byte characters: the last whole character ends at 20,479.
  std::string odd = "x";
  while (odd.size() < 30000) odd += "\x82\xA0";
  WriteWholeFile(path, "[S]\r\nK=" + odd + "\r\n");
  EXPECT_EQ(platform::GetProfileString("S", "K", "", path), odd.substr(0, 20479));

  // Two ASCII bytes: the character at 20,478 would end at 20,480, so the cut comes before it.
  std::string even = "xx";
  while (even.size() < 30000) even += "\x82\xA0";
  WriteWholeFile(path, "[S]\r\nK=" + even + "\r\n");
  EXPECT_EQ(platform::GetProfileString("S", "K", "", path), even.substr(0, 20478));

  // The default passes the same buffer.
  EXPECT_EQ(platform::GetProfileString("S", "X", std::string(20480, 'd'), path).size(), 20479u);
}

TEST(Profile, IntegersAsTheOriginalFunction) {
  struct IntCase {
    std::string line;  // the key line, or empty for a missing key
    int expected;      // with the default 77
  };
  const IntCase cases[] = {
      {"", 77},
      {"K=", 77},
      {"K=   ", 77},
      {"K=42", 42},
      {"K=  42", 42},
      {"K=-7", -7},
      {"K=+3", 3},
      {"K=12abc", 12},
      {"K=abc", 0},
      {"K=-", 0},
      {"K=0x10", 0},
      {"K=\"5\"", 5},
      {"K=4294967295", -1},
      {"K=4294967296", 0},
      {"K=" + std::string(40, '1'), 0},  // only 29 digits are read: expected computed below
  };
  TempDir dir;
  std::string path = dir / "int.ini";
  for (const IntCase& c : cases) {
    SCOPED_TRACE(c.line);
    WriteWholeFile(path, "[S]\r\n" + c.line + "\r\n");
    int expected = c.expected;
    if (c.line.size() > 30) {
      // 29 ones, wrapped modulo 2^32.
      unsigned value = 0;
      for (int i = 0; i < 29; ++i) value = value * 10u + 1u;
      expected = static_cast<int>(value);
    }
    EXPECT_EQ(platform::GetProfileInt("S", "K", 77, path), expected);
  }
}

TEST(Profile, DecimalPrefixReadsLikeTheCLibrary) {
  struct DecimalCase {
    const char* text;
    int expected;
  };
  const DecimalCase cases[] = {
      {"", 0},
      {"0", 0},
      {"1", 1},
      {"2", 2},
      {" \t 12", 12},
      {"-1", -1},
      {"+5", 5},
      {"12x3", 12},
      {"abc", 0},
      {"- 1", 0},
      {"99999999999", INT_MAX},
      {"-99999999999", INT_MIN},
      {"-2147483648", INT_MIN},
  };
  for (const DecimalCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(platform::DecimalPrefixValue(c.text), c.expected);
  }
}

TEST(Profile, FirstWriteCreatesTheFileWithCrLfLines) {
  TempDir dir;
  std::string path = dir / "new.ini";
  ASSERT_TRUE(platform::WriteProfileString("POS", "XPOS", "10", path));
  ASSERT_TRUE(platform::WriteProfileString("POS", "YPOS", "20", path));
  ASSERT_TRUE(platform::WriteProfileString("DATA", "SENDTEXT", "abc", path));
  EXPECT_EQ(ReadWholeFile(path), "[POS]\r\nXPOS=10\r\nYPOS=20\r\n[DATA]\r\nSENDTEXT=abc\r\n");
}

TEST(Profile, WriteKeepsTheRestOfTheFile) {
  struct WriteCase {
    const char* name;
    std::string before;
    std::string section, key, value;
    std::string after;
  };
  const std::string file = "; settings\r\n[A]\r\nX=1\r\n; end of A\r\n\r\n[B]\nY=2\n";
  const WriteCase cases[] = {
      {"changes only the key line", file, "A", "X", "5",
       "; settings\r\n[A]\r\nX=5\r\n; end of A\r\n\r\n[B]\nY=2\n"},
      {"new key after the section's last key", file, "A", "Z", "3",
       "; settings\r\n[A]\r\nX=1\r\nZ=3\r\n; end of A\r\n\r\n[B]\nY=2\n"},
      {"new key in the last section", file, "B", "Z", "3",
       "; settings\r\n[A]\r\nX=1\r\n; end of A\r\n\r\n[B]\nY=2\nZ=3\r\n"},
      {"new section at the end", file, "C", "W", "1", file + "[C]\r\nW=1\r\n"},
      {"key case and section case kept", "[a]\r\nxpos=1\r\n", "A", "XPOS", "9",
       "[a]\r\nxpos=9\r\n"},
      {"blanks around the old line go", "[A]\r\n  X = 1  \r\n", "A", "X", "2", "[A]\r\nX=2\r\n"},
      {"last line without a line end", "[A]\r\nX=1", "A", "Y", "2", "[A]\r\nX=1\r\nY=2\r\n"},
      {"new section after a line without a line end", "[A]\r\nX=1", "B", "Y", "2",
       "[A]\r\nX=1\r\n[B]\r\nY=2\r\n"},
      // A carriage return alone at the end of the file gets its line feed: the new key does not
      // run on from the last line.
      {"last line ending in a lone CR", "[A]\r\nX=1\r", "A", "Y", "2", "[A]\r\nX=1\r\nY=2\r\n"},
      {"section line ending in a lone CR", "[A]\r", "A", "X", "1", "[A]\r\nX=1\r\n"},
      {"new section after a lone CR", "[A]\r\nX=1\r", "B", "Y", "2",
       "[A]\r\nX=1\r\n[B]\r\nY=2\r\n"},
      {"key in an empty section", "[A]\r\n[B]\r\n", "A", "X", "1", "[A]\r\nX=1\r\n[B]\r\n"},
      {"first of duplicate keys changed", "[A]\r\nX=1\r\nX=2\r\n", "A", "X", "3",
       "[A]\r\nX=3\r\nX=2\r\n"},
      {"value that reading would trim is quoted", "", "A", "X", " padded ",
       "[A]\r\nX=\" padded \"\r\n"},
      {"value cut at its first line break", "", "A", "X", "one\r\n[B]\r\nY=2", "[A]\r\nX=one\r\n"},
  };
  TempDir dir;
  for (const WriteCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir / "case.ini";
    std::filesystem::remove(path);
    if (!c.before.empty()) WriteWholeFile(path, c.before);
    ASSERT_TRUE(platform::WriteProfileString(c.section, c.key, c.value, path));
    EXPECT_EQ(ReadWholeFile(path), c.after);
  }
}

TEST(Profile, WrittenValuesReadBackExactly) {
  const std::string values[] = {
      "",
      " lead",
      "trail ",
      "\"quoted\"",
      "'single'",
      "\"",
      "a=b",
      "x;y",
      "[not a section]",
      "  ",
      "\t",
      platform::Cp932("<STX>１２３４５<ETX>"),
      platform::Cp932("あいうえお"),
  };
  TempDir dir;
  std::string path = dir / "round.ini";
  for (const std::string& value : values) {
    SCOPED_TRACE(value);
    ASSERT_TRUE(platform::WriteProfileString("S", "K", value, path));
    EXPECT_EQ(platform::GetProfileString("S", "K", "DEF", path), value);
    ASSERT_TRUE(platform::WriteProfileString("S", "NEXT", "n", path));
    EXPECT_EQ(platform::GetProfileString("S", "NEXT", "DEF", path), "n");
  }
}

TEST(Profile, WritersAtTheSameMomentLoseNoKey) {
  // Two copies started with one identifier share a settings file; each write reads, changes and
  // rewrites the whole file, so writers must not interleave.
  TempDir dir;
  std::string path = dir / "shared.ini";
  constexpr int kWriters = 4;
  constexpr int kKeysEach = 40;
  std::vector<std::thread> writers;
  for (int writer = 0; writer < kWriters; ++writer) {
    writers.emplace_back([&path, writer] {
      for (int key = 0; key < kKeysEach; ++key) {
        std::string name = "K" + std::to_string(writer) + "_" + std::to_string(key);
        platform::WriteProfileString(writer % 2 ? "ODD" : "EVEN", name, name, path);
      }
    });
  }
  for (std::thread& writer : writers) writer.join();
  for (int writer = 0; writer < kWriters; ++writer) {
    for (int key = 0; key < kKeysEach; ++key) {
      std::string name = "K" + std::to_string(writer) + "_" + std::to_string(key);
      EXPECT_EQ(platform::GetProfileString(writer % 2 ? "ODD" : "EVEN", name, "", path), name);
    }
  }
}

TEST(Profile, WriteIntoAMissingFolderFails) {
  TempDir dir;
  EXPECT_FALSE(platform::WriteProfileString("S", "K", "v", dir / "no/such.ini"));
  EXPECT_EQ(platform::LastError(), ENOENT);
}

}  // namespace
