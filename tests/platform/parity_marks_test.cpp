#include "platform/parity_marks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::ParityMarkDecoder;

struct MarkCase {
  const char* name;
  std::vector<std::string> reads;  // what the driver delivered, read by read
  std::string expected;            // what the port hands on, with '?' as the error character
};

class ParityMarks : public testing::TestWithParam<MarkCase> {};

TEST_P(ParityMarks, DecodesMarksAcrossReads) {
  const MarkCase& c = GetParam();
  ParityMarkDecoder decoder('?');
  std::string out;
  for (const std::string& read : c.reads) {
    // Decoded in place, as the read path does.
    std::string buffer = read;
    const std::size_t n = decoder.Decode(buffer.data(), buffer.size(), buffer.data());
    ASSERT_LE(n, read.size());
    out.append(buffer.data(), n);
  }
  EXPECT_EQ(out, c.expected);
  EXPECT_FALSE(decoder.InsideMark());
}

const std::string FF = "\xFF";
const std::string Z(1, '\0');

INSTANTIATE_TEST_SUITE_P(
    Table, ParityMarks,
    testing::Values(MarkCase{"plain", {"abc"}, "abc"},
                    MarkCase{"zero_bytes_pass", {"a" + Z + "b"}, "a" + Z + "b"},
                    MarkCase{"marked_byte", {"a" + FF + Z + "Xb"}, "a?b"},
                    MarkCase{"doubled_ff", {"a" + FF + FF + "b"}, "a" + FF + "b"},
                    MarkCase{"two_doubled_ff", {FF + FF + FF + FF}, FF + FF},
                    MarkCase{"marked_ff", {FF + Z + FF}, "?"}, MarkCase{"break", {FF + Z + Z}, "?"},
                    MarkCase{"split_after_ff", {"a" + FF, Z + "Xb"}, "a?b"},
                    MarkCase{"split_after_ff00", {"a" + FF + Z, "Xb"}, "a?b"},
                    MarkCase{"split_doubled", {"a" + FF, FF + "b"}, "a" + FF + "b"},
                    MarkCase{"read_of_ff_alone", {FF, FF, "c"}, FF + "c"},
                    MarkCase{"byte_by_byte", {"a", FF, Z, "X", FF, FF, "b"}, "a?" + FF + "b"},
                    MarkCase{"mark_then_doubled", {FF + Z + "X" + FF + FF}, "?" + FF},
                    MarkCase{"doubled_then_mark", {FF + FF + FF + Z + "X"}, FF + "?"}),
    [](const testing::TestParamInfo<MarkCase>& testCase) {
      return std::string(testCase.param.name);
    });

TEST(ParityMarkDecoder, ReportsAMarkLeftOpen) {
  ParityMarkDecoder decoder('?');
  char buffer[2] = {'a', '\xFF'};
  EXPECT_EQ(decoder.Decode(buffer, 2, buffer), 1u);
  EXPECT_TRUE(decoder.InsideMark());
}

}  // namespace
