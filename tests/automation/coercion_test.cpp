#include "automation/coercion.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pa = automation;
using pa::Variant;
using pa::VarType;

namespace {

struct Case {
  const char* what;
  Variant from;
  VarType to;
  Variant expected;  // Empty when an error is expected
  int errorNumber;   // 0 when a value is expected
};

class CoercionTable : public testing::TestWithParam<Case> {};

TEST_P(CoercionTable, ConvertsAsThePlatformDoes) {
  const Case& c = GetParam();
  auto result = pa::ChangeType(c.from, c.to);
  if (c.errorNumber != 0) {
    ASSERT_FALSE(result.ok()) << c.what;
    EXPECT_EQ(result.error().number, c.errorNumber) << c.what;
  } else {
    ASSERT_TRUE(result.ok()) << c.what << ": error " << result.error().number;
    EXPECT_EQ(*result, c.expected) << c.what;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Values, CoercionTable,
    testing::Values(
        Case{"I4 in range to I2", Variant::I4(-32768), VarType::I2, Variant::I2(-32768), 0},
        Case{"I4 above I2", Variant::I4(32768), VarType::I2, {}, 6},
        Case{"double rounds half to even", Variant::R8(2.5), VarType::I2, Variant::I2(2), 0},
        Case{"double rounds half to even, odd", Variant::R8(3.5), VarType::I4, Variant::I4(4), 0},
        Case{"negative double rounds", Variant::R8(-1.5), VarType::I4, Variant::I4(-2), 0},
        Case{"double beyond I4", Variant::R8(3e9), VarType::I4, {}, 6},
        Case{"NaN to I4 overflows", Variant::R8(std::nan("")), VarType::I4, {}, 6},
        Case{"true is -1", Variant::Bool(true), VarType::I2, Variant::I2(-1), 0},
        Case{"-1 to byte overflows", Variant::I2(-1), VarType::UI1, {}, 6},
        Case{"256 to byte overflows", Variant::I4(256), VarType::UI1, {}, 6},
        Case{"decimal string", Variant::String(u" 42 "), VarType::I4, Variant::I4(42), 0},
        Case{"hex string", Variant::String(u"&HFF"), VarType::UI1, Variant::UI1(255), 0},
        Case{"hex string of 4 digits is an Integer", Variant::String(u"&HFFFF"), VarType::I4,
             Variant::I4(-1), 0},
        Case{"hex string of 5 digits is a Long", Variant::String(u"&H10000"), VarType::I4,
             Variant::I4(65536), 0},
        Case{"hex string of 8 digits is a Long's two's complement", Variant::String(u"&HFFFFFFFF"),
             VarType::I4, Variant::I4(-1), 0},
        Case{"a ninth hex digit overflows", Variant::String(u"&H100000000"), VarType::I4, {}, 6},
        Case{"octal string", Variant::String(u"&O17"), VarType::I2, Variant::I2(15), 0},
        Case{"hex with a space", Variant::String(u"&H 0"), VarType::UI1, {}, 13},
        Case{"not a number", Variant::String(u"abc"), VarType::I2, {}, 13},
        Case{"empty string is no number", Variant::String(u""), VarType::I4, {}, 13},
        Case{"fraction string", Variant::String(u"1.5e1"), VarType::R8, Variant::R8(15), 0},
        Case{"huge string overflows", Variant::String(u"1e400"), VarType::R8, {}, 6},
        Case{"string True", Variant::String(u"true"), VarType::Bool, Variant::Bool(true), 0},
        Case{"string 0", Variant::String(u"0"), VarType::Bool, Variant::Bool(false), 0},
        Case{"string maybe", Variant::String(u"maybe"), VarType::Bool, {}, 13},
        Case{"Boolean to text", Variant::Bool(false), VarType::String, Variant::String(u"False"),
             0},
        Case{"double to text", Variant::R8(0.5), VarType::String, Variant::String(u"0.5"), 0},
        Case{"large double to text", Variant::R8(1e20), VarType::String, Variant::String(u"1E+20"),
             0},
        Case{"small double to text", Variant::R8(0.00001), VarType::String,
             Variant::String(u"1E-05"), 0},
        Case{"integer to text", Variant::I2(-7), VarType::String, Variant::String(u"-7"), 0},
        Case{"Empty to number", Variant(), VarType::I4, Variant::I4(0), 0},
        Case{"Empty to text", Variant(), VarType::String, Variant::String(u""), 0},
        Case{"Null to number", Variant::Null(), VarType::I4, {}, 13},
        Case{"error value to number", Variant::Missing(), VarType::I4, {}, 13},
        Case{"array to number", Variant::Bytes({1}), VarType::I4, {}, 13},
        Case{"array to text", Variant::Bytes({1}), VarType::String, {}, 13}));

TEST(Coercion, FollowsReferences) {
  Variant target = Variant::String(u"12");
  Variant reference = Variant::ByRef(target);
  auto value = pa::ToI2(reference);
  ASSERT_TRUE(value.ok());
  EXPECT_EQ(*value, 12);
}

TEST(Coercion, ByteArrayFromArraysAndText) {
  auto fromVariants = pa::ToByteArray(
      Variant::Array(pa::SafeArray::Variants({Variant::I2(1), Variant::String(u"255")}, 3)));
  ASSERT_TRUE(fromVariants.ok());
  EXPECT_EQ(fromVariants->bytes(), (std::vector<std::uint8_t>{1, 255}));
  EXPECT_EQ(fromVariants->LowerBound(), 3);

  auto fromText = pa::ToByteArray(Variant::String(u"A\u3042"));
  ASSERT_TRUE(fromText.ok());
  EXPECT_EQ(fromText->bytes(), (std::vector<std::uint8_t>{0x41, 0x00, 0x42, 0x30}));

  auto bad = pa::ToByteArray(Variant::Array(pa::SafeArray::Variants({Variant::I2(300)})));
  ASSERT_FALSE(bad.ok());
  EXPECT_EQ(bad.error().number, 6);
  EXPECT_EQ(pa::ToByteArray(Variant::I4(1)).error().number, 13);
}

TEST(Variant, CopiesArraysDeeplyAndReferencesShallowly) {
  Variant original = Variant::Bytes({1, 2, 3});
  Variant copy = original;
  copy.AsArray().bytes()[0] = 9;
  EXPECT_EQ(original.AsArray().bytes()[0], 1);

  Variant target = Variant::I4(1);
  Variant reference = Variant::ByRef(target);
  Variant referenceCopy = reference;
  referenceCopy.Deref() = Variant::I4(5);
  EXPECT_EQ(target.AsI4(), 5);
  EXPECT_EQ(reference.Vt(), pa::kVtByRef | static_cast<std::uint16_t>(VarType::Variant));
  EXPECT_EQ(original.Vt(), pa::kVtArray | static_cast<std::uint16_t>(VarType::UI1));
}

TEST(Variant, ArrayBoundsAndSubscripts) {
  pa::SafeArray empty = pa::SafeArray::Bytes({});
  EXPECT_EQ(empty.UpperBound(), -1);
  pa::SafeArray shifted = pa::SafeArray::Variants({Variant::I2(1), Variant::I2(2)}, 1);
  EXPECT_EQ(shifted.UpperBound(), 2);
  EXPECT_EQ(shifted.Get(0).error().number, 9);
  EXPECT_EQ(shifted.Get(3).error().number, 9);
  ASSERT_TRUE(shifted.Get(2).ok());
  EXPECT_EQ(shifted.Get(2)->AsI2(), 2);
  pa::SafeArray bytes = pa::SafeArray::Bytes({0});
  EXPECT_EQ(bytes.Put(0, Variant::I4(256)).error().number, 6);
}

}  // namespace
