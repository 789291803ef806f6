#include "core/notation.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/cp932.h"

namespace {

using core::BytesToNotation;
using core::NotationToBytes;
using platform::Cp932;

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int value : values) bytes.push_back(static_cast<char>(value));
  return bytes;
}

TEST(ControlNameTable, HoldsTheThirteenNamesInOrder) {
  const std::vector<std::pair<int, std::string>> expected = {
      {0x00, "<NUL>"}, {0x01, "<SOH>"}, {0x02, "<STX>"}, {0x03, "<ETX>"}, {0x04, "<EOT>"},
      {0x05, "<ENQ>"}, {0x06, "<ACK>"}, {0x0A, "<LF>"},  {0x0D, "<CR>"},  {0x15, "<NAK>"},
      {0x16, "<SYN>"}, {0x17, "<ETB>"}, {0x1B, "<ESC>"}};
  ASSERT_EQ(core::ControlNameTable.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(core::ControlNameTable[i].code, expected[i].first) << i;
    EXPECT_EQ(core::ControlNameTable[i].name, expected[i].second) << i;
  }
}

TEST(BytesToNotation, ShowsBlocksInBothModes) {
  struct Case {
    std::string bytes;
    std::string text;
    std::string hex;
  } cases[] = {
      {"", "", ""},
      {Bytes({0x02, 0x41, 0x0D, 0x0A, 0x03}), "<STX>A<CR><LF><ETX>", "<02><41><0d><0a><03>"},
      {Bytes({0x07, 0x09, 0x1C, 0x7F}), "<07><09><1c><7f>", "<07><09><1c><7f>"},
      {Bytes({0x20, 0x7E}), " ~", "<20><7e>"},
      {Bytes({0x00, 0x1B, 0x15, 0x16, 0x17}), "<NUL><ESC><NAK><SYN><ETB>", "<00><1b><15><16><17>"},
      {Bytes({0x01, 0x04, 0x05, 0x06}), "<SOH><EOT><ENQ><ACK>", "<01><04><05><06>"},
      {Bytes({0x0F, 0xFF, 0x80, 0xA0, 0xFD}), "<0f><ff><80><a0><fd>", "<0f><ff><80><a0><fd>"},
      // あ keeps its second byte although it lies above 0x7E; half-width ｱ is not a lead byte.
      {Cp932("あ"), Cp932("あ"), "<82><a0>"},
      {Cp932("ｱ"), "<b1>", "<b1>"},
      // ソ and 表 end in a backslash byte that belongs to the character.
      {Cp932("ソ表"), Cp932("ソ表"), "<83><5c><95><5c>"},
      // A character split between two blocks: the lead byte closes the text.
      {Bytes({0x41, 0x82}), Bytes({0x41, 0x82}), "<41><82>"},
      {Bytes({0xE0}), Bytes({0xE0}), "<e0>"},
      // A lead byte before a byte that cannot end a double-byte character stands alone.
      {Bytes({0x82, 0x00, 0x41}), "<82><NUL>A", "<82><00><41>"},
      {Bytes({0x82, 0x0D, 0x0A}), "<82><CR><LF>", "<82><0d><0a>"},
      {Bytes({0x81, 0x3F, 0x81, 0x7F}), "<81>?<81><7f>", "<81><3f><81><7f>"},
      {Bytes({0xFC, 0xFD, 0x9F, 0xFC}), "<fc><fd>" + Bytes({0x9F, 0xFC}), "<fc><fd><9f><fc>"},
      // A lead byte pairs with any trail byte, a lead byte among them.
      {Bytes({0x81, 0x81, 0x81}), Bytes({0x81, 0x81, 0x81}), "<81><81><81>"},
      {Bytes({0x81, 0x40, 0x81, 0x7E, 0x81, 0x80}), Bytes({0x81, 0x40, 0x81, 0x7E, 0x81, 0x80}),
       "<81><40><81><7e><81><80>"},
      {"<STX>", "<STX>", "<3c><53><54><58><3e>"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BytesToNotation(c.bytes, false), c.text) << c.text;
    EXPECT_EQ(BytesToNotation(c.bytes, true), c.hex) << c.hex;
  }
}

// The display as a plain walk over the name table, the printable range and the lead-byte test;
// the table-driven display must agree with it for every byte and every pair of bytes.
std::string WalkedDisplay(const std::string& block) {
  std::string text;
  char hex[8];
  for (std::size_t i = 0; i < block.size(); ++i) {
    const auto byte = static_cast<unsigned char>(block[i]);
    if (platform::IsLeadByte(byte)) {
      if (i + 1 == block.size()) {
        text.push_back(block[i]);
        continue;
      }
      if (platform::IsTrailByte(static_cast<unsigned char>(block[i + 1]))) {
        text.append(block, i, 2);
        ++i;
        continue;
      }
    }
    bool named = false;
    for (const auto& entry : core::ControlNameTable) {
      if (entry.code == byte) {
        text.append(entry.name);
        named = true;
        break;
      }
    }
    if (named) continue;
    if (byte >= 0x20 && byte <= 0x7E) {
      text.push_back(block[i]);
      continue;
    }
    std::snprintf(hex, sizeof hex, "<%02x>", byte);
    text.append(hex);
  }
  return text;
}

TEST(BytesToNotation, AgreesWithTheWalkForEveryByteAndPair) {
  for (int first = 0; first < 256; ++first) {
    const std::string single = Bytes({first});
    ASSERT_EQ(BytesToNotation(single, false), WalkedDisplay(single)) << first;
    char hex[8];
    std::snprintf(hex, sizeof hex, "<%02x>", first);
    ASSERT_EQ(BytesToNotation(single, true), hex) << first;
    for (int second = 0; second < 256; ++second) {
      const std::string pair = Bytes({first, second, 'Z'});
      ASSERT_EQ(BytesToNotation(pair, false), WalkedDisplay(pair)) << first << " " << second;
    }
  }
}

TEST(BytesToNotation, TextModeNeverHoldsANul) {
  // Every byte value before every byte value: the display's length is its text length.
  std::string block;
  for (int first = 0; first < 256; ++first)
    for (int second = 0; second < 256; ++second) block += Bytes({first, second});
  const std::string text = BytesToNotation(block, false);
  EXPECT_EQ(text.find('\0'), std::string::npos);
}

TEST(BytesToNotation, BufferFormStaysWithinFiveCharactersPerByte) {
  struct Case {
    std::string bytes;
    bool hexOnly;
  } cases[] = {
      {std::string(64, '\x02'), false},  // every byte a five-character name
      {std::string(64, '\x7F'), false},
      {std::string(64, '\x7F'), true},
      {Bytes({0x82, 0x00, 0x82, 0x00, 0x82}), false},
      {Cp932("あいう"), false},
  };
  for (const Case& c : cases) {
    // Exactly the documented size, so that AddressSanitizer sees any write past it.
    std::vector<char> out(c.bytes.size() * core::kNotationCharsPerByte + 1, 'x');
    const std::size_t length =
        BytesToNotation(out.data(), reinterpret_cast<const unsigned char*>(c.bytes.data()),
                        static_cast<long>(c.bytes.size()), c.hexOnly);
    EXPECT_EQ(length, std::strlen(out.data()));
    EXPECT_EQ(std::string(out.data(), length), BytesToNotation(c.bytes, c.hexOnly));
  }
}

TEST(BytesToNotation, NoLengthGivesTheEmptyText) {
  const unsigned char bytes[] = {0x41, 0x42};
  for (long length : {0L, -1L, -100L}) {
    for (bool hexOnly : {false, true}) {
      char out[4] = {'x', 'x', 'x', 'x'};
      EXPECT_EQ(BytesToNotation(out, bytes, length, hexOnly), 0u);
      EXPECT_EQ(out[0], '\0');
    }
  }
}

TEST(NotationToBytes, ReadsNamesHexFormsAndLiterals) {
  struct Case {
    std::string text;
    std::string bytes;
  } cases[] = {
      {"", ""},
      {"<STX>ABC<ETX>", Bytes({0x02, 0x41, 0x42, 0x43, 0x03})},
      {"<STX>", Bytes({0x02})},
      {"<stx>", "<stx>"},
      {"<0d>", Bytes({0x0D})},
      {"<0D>", Bytes({0x0D})},
      {"<ff><Ff><fF><00>", Bytes({0xFF, 0xFF, 0xFF, 0x00})},
      {"<0G>", "<0G>"},
      {"<1>", "<1>"},
      {"<CR>", Bytes({0x0D})},
      {"<LF>", Bytes({0x0A})},
      {"<NUL><SOH><EOT><ENQ><ACK><NAK><SYN><ETB><ESC>",
       Bytes({0x00, 0x01, 0x04, 0x05, 0x06, 0x15, 0x16, 0x17, 0x1B})},
      {"ABC<CR><LF>", Bytes({0x41, 0x42, 0x43, 0x0D, 0x0A})},
      // Forms cut by the end of the text are taken literally.
      {"A<4", "A<4"},
      {"A<41", "A<41"},
      {"<", "<"},
      {"<ST", "<ST"},
      {"<STX", "<STX"},
      {"<C", "<C"},
      {"<CR", "<CR"},
      {"<<STX>", Bytes({0x3C, 0x02})},
      {"<<41>>", Bytes({0x3C, 0x41, 0x3E})},
      {"<STX >", "<STX >"},
      {"< 41>", "< 41>"},
      // The default send texts: double-byte characters are copied byte by byte.
      {Cp932("<STX>１２３４５<ETX>"), "\x02" + Cp932("１２３４５") + "\x03"},
      {Cp932("<STX>あいうえお<ETX>"), "\x02" + Cp932("あいうえお") + "\x03"},
      {Cp932("ソ<CR>表<LF>"), Cp932("ソ") + "\r" + Cp932("表") + "\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(NotationToBytes(c.text), c.bytes) << c.text;
}

TEST(NotationToBytes, BufferFormWritesAtMostLengthBytes) {
  const std::string texts[] = {"<STX>", "<0d>", "<", "A<41", "<stx><0G>", "plain text"};
  for (const std::string& text : texts) {
    std::vector<unsigned char> out(text.size());
    const long count = NotationToBytes(out.data(), text.data(), static_cast<long>(text.size()));
    EXPECT_LE(count, static_cast<long>(text.size()));
    EXPECT_EQ(std::string(out.begin(), out.begin() + count), NotationToBytes(text));
  }
  unsigned char out[4] = {0x55, 0x55, 0x55, 0x55};
  EXPECT_EQ(NotationToBytes(out, "<STX>", 0), 0);
  EXPECT_EQ(NotationToBytes(out, "<STX>", -5), 0);
  EXPECT_EQ(out[0], 0x55);
}

TEST(Notation, DisplayReadsBackAsTheBlock) {
  std::mt19937 random(20261210);
  std::uniform_int_distribution<int> byteValue(0, 255);
  std::vector<std::string> blocks = {
      Bytes({0x82, 0x00, 0x41}),  // the lone lead byte reads back from its hexadecimal form
      Bytes({0x41, 0x82}),        // and the split character from its lead byte
      Cp932("\x02あいうえお\x03"),
  };
  std::string everyByte;
  for (int value = 0; value < 256; ++value)
    if (value != '<') everyByte.push_back(static_cast<char>(value));
  blocks.push_back(everyByte);
  for (int round = 0; round < 200; ++round) {
    std::string block(static_cast<std::size_t>(round * 7 % 300), '\0');
    for (char& byte : block) {
      do byte = static_cast<char>(byteValue(random));
      while (byte == '<');
    }
    blocks.push_back(block);
  }
  for (const std::string& block : blocks) {
    for (bool hexOnly : {false, true}) {
      EXPECT_EQ(NotationToBytes(BytesToNotation(block, hexOnly)), block);
    }
  }
}

TEST(Notation, LiteralTextThatSpellsANameDoesNotReadBack) {
  // Received ASCII text that reads <STX> is shown as it is and would be read as one byte.
  EXPECT_EQ(BytesToNotation("<STX>", false), "<STX>");
  EXPECT_EQ(NotationToBytes(BytesToNotation("<STX>", false)), "\x02");
  // In all-hex mode every block reads back, brackets included.
  EXPECT_EQ(NotationToBytes(BytesToNotation("<STX><41>", true)), "<STX><41>");
}

TEST(AppendNotation, WritesAfterWhatTheLineAlreadyHolds) {
  // A traffic line's head stays as it was, and the block's text follows it exactly as the
  // whole-text form gives it, a split lead byte at the end included.
  const std::string head = platform::Cp932("->受 127.0.0.1      (5000 )");
  const std::string blocks[] = {"", "A",
                                std::string("\x00\x02"
                                            "ab\r\n",
                                            6),
                                "\x82\xa0\x82", std::string(1000, '\xff')};
  for (const std::string& block : blocks) {
    for (bool hexOnly : {false, true}) {
      std::string line = head;
      core::AppendNotation(line, block, hexOnly);
      EXPECT_EQ(line, head + BytesToNotation(block, hexOnly)) << block.size() << hexOnly;
    }
  }
}

}  // namespace
