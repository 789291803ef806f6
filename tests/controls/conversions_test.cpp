// The four conversions, called by name on both controls as a script calls them.

#include "controls/controls_host.h"

namespace controls_test {
namespace {

struct Conversion {
  const char* what;
  const char16_t* method;
  Variant data;
  Variant expected;  // when no error is expected
  int errorNumber;   // 0 for success
};

std::vector<std::uint8_t> Bytes(std::initializer_list<std::uint8_t> bytes) {
  return bytes;
}

// "全角" and "ｶﾀｶﾅ" in CP932.
const std::vector<std::uint8_t> kJapaneseBytes = {0x91, 0x53, 0x8A, 0x70, 0xB6, 0xC0, 0xB6, 0xC5};

const Conversion kConversions[] = {
    {"bytes to hex", u"ByteArrayToHex", Variant::Bytes(Bytes({0x01, 0xAB})),
     Variant::String(u"01AB"), 0},
    {"hex digits keep their zeros", u"ByteArrayToHex", Variant::Bytes(Bytes({0x0A, 0xFF, 0x00})),
     Variant::String(u"0AFF00"), 0},
    {"empty array to hex", u"ByteArrayToHex", Variant::Bytes({}), Variant::String(u""), 0},
    {"Variant elements show their last two digits", u"ByteArrayToHex",
     Variant::Array(automation::SafeArray::Variants(
         {Variant::I4(0x1234), Variant::I2(-1), Variant::String(u"10")})),
     Variant::String(u"34FF0A"), 0},
    {"lower bound above 0", u"ByteArrayToHex", Variant::Bytes(Bytes({1, 2}), 1), {}, 9},
    {"lower bound below 0 walks from index 0", u"ByteArrayToHex",
     Variant::Bytes(Bytes({1, 2, 3}), -1), Variant::String(u"0203"), 0},
    {"not an array to hex", u"ByteArrayToHex", Variant::String(u"01"), {}, 13},
    {"lower-case hex", u"HexToByteArray", Variant::String(u"01ab"),
     Variant::Bytes(Bytes({0x01, 0xAB})), 0},
    {"upper-case hex", u"HexToByteArray", Variant::String(u"01AB"),
     Variant::Bytes(Bytes({0x01, 0xAB})), 0},
    {"one digit", u"HexToByteArray", Variant::String(u"F"), Variant::Bytes(Bytes({0x0F})), 0},
    {"odd length takes the last digit alone", u"HexToByteArray", Variant::String(u"123"),
     Variant::Bytes(Bytes({0x12, 0x03})), 0},
    {"a space inside a group", u"HexToByteArray", Variant::String(u"0A 0B"), {}, 13},
    {"a separator", u"HexToByteArray", Variant::String(u"0A-0B"), {}, 13},
    {"a prefix", u"HexToByteArray", Variant::String(u"&H0A"), {}, 13},
    {"the empty text", u"HexToByteArray", Variant::String(u""), {}, 9},
    {"text to bytes", u"StrToByteArray", Variant::String(u"全角ｶﾀｶﾅ"),
     Variant::Bytes(kJapaneseBytes), 0},
    {"empty text to bytes", u"StrToByteArray", Variant::String(u""), Variant::Bytes({}), 0},
    {"a character outside the code page", u"StrToByteArray", Variant::String(u"A\u00e9"),
     Variant::Bytes(Bytes({0x41, 0x3F})), 0},
    {"bytes to text", u"ByteArrayToStr", Variant::Bytes(kJapaneseBytes),
     Variant::String(u"全角ｶﾀｶﾅ"), 0},
    {"control bytes to text", u"ByteArrayToStr", Variant::Bytes(Bytes({0x02, 0x41, 0x03})),
     Variant::String(u"\x02"
                     u"A\x03"),
     0},
    {"empty bytes to text", u"ByteArrayToStr", Variant::Bytes({}), Variant::String(u""), 0},
    {"an object is no bytes", u"ByteArrayToStr", Variant::I4(5), {}, 13},
};

class Conversions : public ControlsHost, public testing::WithParamInterface<Conversion> {};

TEST_P(Conversions, GiveThePartsResultOnBothControls) {
  const Conversion& c = GetParam();
  for (auto progId : {u"Quorvane.Winsock", u"Quorvane.MSComm"}) {
    auto control = Create(progId);
    ASSERT_TRUE(control);
    auto result = Call(*control, c.method, {c.data});
    if (c.errorNumber != 0) {
      ASSERT_FALSE(result.ok()) << c.what;
      EXPECT_EQ(result.error().number, c.errorNumber) << c.what;
    } else {
      ASSERT_TRUE(result.ok()) << c.what << ": error " << result.error().number;
      EXPECT_EQ(*result, c.expected) << c.what;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Table, Conversions, testing::ValuesIn(kConversions));

TEST_F(ControlsHost, TextSurvivesTheRoundTripThroughBytes) {
  auto control = Create(u"Quorvane.Winsock");
  const std::u16string text = u"全角ｶﾀｶﾅ<STX>～\\~";
  auto bytes = Call(*control, u"StrToByteArray", {Variant::String(text)});
  ASSERT_TRUE(bytes.ok());
  auto hex = Call(*control, u"ByteArrayToHex", {*bytes});
  ASSERT_TRUE(hex.ok());
  auto back = Call(*control, u"HexToByteArray", {*hex});
  ASSERT_TRUE(back.ok());
  EXPECT_EQ(*back, *bytes);
  auto again = Call(*control, u"ByteArrayToStr", {*back});
  ASSERT_TRUE(again.ok());
  EXPECT_EQ(again->AsString(), text);
}

}  // namespace
}  // namespace controls_test
