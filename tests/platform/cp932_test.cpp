#include "platform/cp932.h"

#include <gtest/gtest.h>

namespace {

using platform::Cp932;
using platform::Cp932ToUtf8;
using platform::Utf8ToCp932;

TEST(Cp932, LeadAndTrailByteRanges) {
  for (int b = 0; b < 256; ++b) {
    bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    bool trail = (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
    EXPECT_EQ(platform::IsLeadByte(static_cast<unsigned char>(b)), lead) << b;
    EXPECT_EQ(platform::IsTrailByte(static_cast<unsigned char>(b)), trail) << b;
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
