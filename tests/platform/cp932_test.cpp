#include "platform/cp932.h"

#include <gtest/gtest.h>

namespace {

using platform::Cp932;
using platform::Cp932ToUtf8;
using platform::Utf8ToCp932;

// Every byte's role, one row per high nibble, one column per low nibble: L lead only (none in
// this code page), T trail only, B both, . neither.
constexpr const char* kByteRoles[16] = {
    "................",  // 00
    "................",  // 10
    "................",  // 20
    "................",  // 30
    "TTTTTTTTTTTTTTTT",  // 40
    "TTTTTTTTTTTTTTTT",  // 50
    "TTTTTTTTTTTTTTTT",  // 60
    "TTTTTTTTTTTTTTT.",  // 70: 7F is no trail byte
    "TBBBBBBBBBBBBBBB",  // 80: 80 is a trail byte only
    "BBBBBBBBBBBBBBBB",  // 90
    "TTTTTTTTTTTTTTTT",  // A0-DF: single bytes (A1-DF half-width katakana) that may stand second
    "TTTTTTTTTTTTTTTT",  // B0
    "TTTTTTTTTTTTTTTT",  // C0
    "TTTTTTTTTTTTTTTT",  // D0
    "BBBBBBBBBBBBBBBB",  // E0
    "BBBBBBBBBBBBB...",  // F0: FD, FE and FF are neither
};

// The edges of the ranges, stated once more on their own so that a slip in typing the table
// shows as a disagreement between the two.
struct Boundary {
  unsigned char byte;
  bool lead;
  bool trail;
};
constexpr Boundary kBoundaries[] = {
    {0x3F, false, false}, {0x40, false, true}, {0x7E, false, true}, {0x7F, false, false},
    {0x80, false, true},  {0x81, true, true},  {0x9F, true, true},  {0xA0, false, true},
    {0xDF, false, true},  {0xE0, true, true},  {0xFC, true, true},  {0xFD, false, false},
};

TEST(Cp932, LeadAndTrailBytesFollowTheTable) {
  for (int b = 0; b < 256; ++b) {
    const char role = kByteRoles[b >> 4][b & 0xF];
    const auto byte = static_cast<unsigned char>(b);
    EXPECT_EQ(platform::IsLeadByte(byte), role == 'L' || role == 'B') << std::hex << b;
    EXPECT_EQ(platform::IsTrailByte(byte), role == 'T' || role == 'B') << std::hex << b;
  }
  for (const Boundary& b : kBoundaries) {
    EXPECT_EQ(platform::IsLeadByte(b.byte), b.lead) << std::hex << int{b.byte};
    EXPECT_EQ(platform::IsTrailByte(b.byte), b.trail) << std::hex << int{b.byte};
  }
}

TEST(Cp932, UsesTheWindowsMapping) {
  // The wave dash of the Windows mapping, backslash and tilde kept as ASCII.
  EXPECT_EQ(Utf8ToCp932("\xEF\xBD\x9E"), "\x81\x60");
  EXPECT_EQ(Cp932ToUtf8("\x81\x60"), "\xEF\xBD\x9E");
  EXPECT_EQ(Cp932ToUtf8("\\~"), "\\~");
  EXPECT_EQ(Utf8ToCp932("接続"), "\x90\xDA\x91\xB1");
  EXPECT_EQ(Cp932ToUtf8("\x90\xDA\x91\xB1"), "接続");
  // Control bytes that another converter swaps stay where they are.
  EXPECT_EQ(Cp932ToUtf8(std::string("\x1A\x1C\x7F", 3)), std::string("\x1A\x1C\x7F", 3));
  // Half-width katakana.
  EXPECT_EQ(Cp932ToUtf8("\xB1"), "ｱ");
}

TEST(Cp932, DecodingNeverDropsTheRest) {
  struct Case {
    std::string in;
    std::string out;
  } cases[] = {
      {"A\x80"
       "B",
       "A\xEF\xBF\xBD"
       "B"},
      {"A\xFF"
       "B",
       "A\xEF\xBF\xBD"
       "B"},
      {"\x81\x20Z", "\xEF\xBF\xBD Z"},
      {"AB\x82", "AB\xEF\xBF\xBD"},
      {std::string("\x82\x00Q", 3), std::string("\xEF\xBF\xBD\x00Q", 5)},
  };
  for (const auto& c : cases) EXPECT_EQ(Cp932ToUtf8(c.in), c.out);
}

TEST(Cp932, EncodingReplacesWhatCp932CannotHold) {
  EXPECT_EQ(Utf8ToCp932("a\xF0\x9F\x98\x80"
                        "b"),
            "a?b");  // an emoji
  EXPECT_EQ(Utf8ToCp932("Caf\xC3\xA9"), "Caf?");
  EXPECT_EQ(Utf8ToCp932("x\xFFy"), "x?y");  // invalid UTF-8
  EXPECT_FALSE(platform::Utf8ToCp932Exact("Caf\xC3\xA9").has_value());
  EXPECT_EQ(platform::Utf8ToCp932Exact("表.txt").value(), "\x95\x5C.txt");
  EXPECT_FALSE(platform::Cp932ToUtf8Exact("a\x80").has_value());
  EXPECT_EQ(platform::Cp932ToUtf8Exact("\x95\x5C").value(), "表");
}

TEST(Cp932, SystemTextsBecomeCp932) {
  EXPECT_EQ(Cp932("HEX表示"), "HEX\x95\x5C\x8E\xA6");
  EXPECT_EQ(Cp932("接　続"), "\x90\xDA\x81\x40\x91\xB1");
}

}  // namespace
