// The object tag's property bag: parameter values are strings that read as the type the control
// asks for.

#include "pagehost/param_bag.h"

#include <gtest/gtest.h>

namespace {

using automation::Variant;

TEST(ParamBag, ValuesReadAsTheTypeOfTheDefault) {
  pagehost::ParamBag bag({{u"RemotePort", u"5000"},
                          {u"RemoteHost", u"127.0.0.1"},
                          {u"DTREnable", u"False"},
                          {u"InBufferSize", u"2048"}});
  auto port = bag.Read(u"remoteport", Variant::I4(0));
  ASSERT_TRUE(port.ok());
  EXPECT_EQ(*port, Variant::I4(5000));
  auto host = bag.Read(u"RemoteHost", Variant::String(u""));
  ASSERT_TRUE(host.ok());
  EXPECT_EQ(*host, Variant::String(u"127.0.0.1"));
  auto dtr = bag.Read(u"DTREnable", Variant::Bool(true));
  ASSERT_TRUE(dtr.ok());
  EXPECT_EQ(*dtr, Variant::Bool(false));
  auto size = bag.Read(u"InBufferSize", Variant::I2(1024));
  ASSERT_TRUE(size.ok());
  EXPECT_EQ(*size, Variant::I2(2048));
  auto untyped = bag.Read(u"RemotePort", Variant());
  ASSERT_TRUE(untyped.ok());
  EXPECT_EQ(*untyped, Variant::String(u"5000"));
}

TEST(ParamBag, MissingKeysGiveTheDefaultAndBadValuesTheirError) {
  pagehost::ParamBag bag({{u"RemotePort", u"five"}, {u"InBufferSize", u"70000"}});
  auto missing = bag.Read(u"LocalPort", Variant::I4(7));
  ASSERT_TRUE(missing.ok());
  EXPECT_EQ(*missing, Variant::I4(7));
  auto bad = bag.Read(u"RemotePort", Variant::I4(0));
  ASSERT_FALSE(bad.ok());
  EXPECT_EQ(bad.error().number, automation::kErrTypeMismatch);
  auto overflow = bag.Read(u"InBufferSize", Variant::I2(0));
  ASSERT_FALSE(overflow.ok());
  EXPECT_EQ(overflow.error().number, automation::kErrOverflow);
}

}  // namespace
