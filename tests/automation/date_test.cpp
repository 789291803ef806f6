// The date value: calendar arithmetic both ways, its text, and its coercions.

#include <gtest/gtest.h>

#include "automation/coercion.h"
#include "automation/date.h"
#include "automation/text.h"

namespace automation {
namespace {

TEST(DateTest, CalendarDatesAndTheirValues) {
  struct Case {
    DateParts parts;
    double value;
  };
  const Case cases[] = {
      {{1899, 12, 30, 0, 0, 0, 0}, 0.0},
      {{1900, 1, 1, 0, 0, 0, 0}, 2.0},
      {{2000, 1, 1, 0, 0, 0, 0}, 36526.0},
      {{2026, 12, 11, 14, 19, 25, 0}, 46367.0 + 0.5968171296296296},
      {{1899, 12, 30, 18, 0, 0, 0}, 0.75},
      // Before the epoch the fraction still counts forward from midnight.
      {{1899, 12, 29, 6, 0, 0, 0}, -1.25},
      {{2024, 2, 29, 23, 59, 59, 999}, 45351.0 + 86399.999 / 86400.0},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(DateFromParts(c.parts), c.value, 1e-9) << c.value;
    const DateParts back = PartsOfDate(c.value);
    EXPECT_EQ(back.year, c.parts.year);
    EXPECT_EQ(back.month, c.parts.month);
    EXPECT_EQ(back.day, c.parts.day);
    EXPECT_EQ(back.hour, c.parts.hour);
    EXPECT_EQ(back.minute, c.parts.minute);
    EXPECT_EQ(back.second, c.parts.second);
    EXPECT_EQ(back.millisecond, c.parts.millisecond);
  }
  // Local seconds since 1970 and back.
  EXPECT_DOUBLE_EQ(DateFromLocalSeconds(0), 25569.0);
  EXPECT_DOUBLE_EQ(LocalSecondsOfDate(25569.5), 43200.0);
}

TEST(DateTest, TextAndCoercions) {
  const double when = 46367.0 + 0.5968171296296296;
  EXPECT_EQ(Utf8FromUtf16(FormatDate(when)), "2026/12/11 14:19:25");
  EXPECT_EQ(Utf8FromUtf16(FormatDate(46367.0)), "2026/12/11");
  EXPECT_EQ(Utf8FromUtf16(FormatDate(0.75)), "18:00:00");
  EXPECT_EQ(Utf8FromUtf16(*ToString(Variant::Date(when))), "2026/12/11 14:19:25");
  EXPECT_DOUBLE_EQ(*ToR8(Variant::Date(when)), when);
  EXPECT_EQ(Variant::Date(1.5).Type(), VarType::Date);
  EXPECT_EQ(Variant::Date(1.5).Vt(), 7);
  EXPECT_NE(Variant::Date(1.5), Variant::R8(1.5));

  struct Parsed {
    std::u16string text;
    std::optional<double> value;
  };
  const Parsed parsed[] = {
      {u"2026/12/11 14:19:25", when}, {u"2026-12-11", 46367.0},
      {u"12/11/2026", 46367.0},       {u"18:00", 0.75},
      {u"2026/02/30", std::nullopt},  {u"soon", std::nullopt},
  };
  for (const Parsed& p : parsed) {
    auto value = ParseDate(p.text);
    ASSERT_EQ(value.has_value(), p.value.has_value()) << Utf8FromUtf16(p.text);
    if (value) {
      EXPECT_NEAR(*value, *p.value, 1e-9) << Utf8FromUtf16(p.text);
    }
  }
  auto changed = ChangeType(Variant::String(u"2026/12/11"), VarType::Date);
  ASSERT_TRUE(changed);
  EXPECT_EQ(*changed, Variant::Date(46367.0));
  EXPECT_EQ(*ChangeType(Variant::I4(2), VarType::Date), Variant::Date(2.0));
  EXPECT_FALSE(ChangeType(Variant::String(u"soon"), VarType::Date));
}

}  // namespace
}  // namespace automation
