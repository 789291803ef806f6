// The dictionary: keys of any scalar type compared as the original compares them, in both
// compare modes, with its errors for duplicate and missing keys.

#include <gmock/gmock.h>

#include "automation/enumerator.h"
#include "host_object_calls.h"

namespace hostobjects_testing {
namespace {

std::vector<std::string> Texts(const Result<Variant>& array) {
  std::vector<std::string> out;
  if (!array || !array->IsArray()) return out;
  for (const Variant& v : array->AsArray().variants()) out.push_back(Text(v));
  return out;
}

TEST(DictionaryTest, AddsFindsRenamesAndRemovesInOrder) {
  auto d = Create(u"Scripting.Dictionary");
  ASSERT_TRUE(Call(*d, u"Add", {S(u"b"), S(u"Belgrade")}));
  ASSERT_TRUE(Call(*d, u"Add", {I(1), S(u"one")}));
  ASSERT_TRUE(Call(*d, u"Add", {S(u"a"), S(u"Athens")}));
  auto duplicate = Call(*d, u"Add", {S(u"b"), S(u"Berlin")});
  EXPECT_EQ(ErrorNumber(duplicate), 457);
  EXPECT_EQ(automation::Utf8FromUtf16(duplicate.error().description),
            "This key is already associated with an element of this collection");
  // Numbers are one key whatever their type; a string of digits is another.
  EXPECT_EQ(ErrorNumber(Call(*d, u"Add", {Variant::R8(1.0), S(u"x")})), 457);
  EXPECT_EQ(Text(Call(*d, u"Exists", {Variant::I2(1)})), "True");
  EXPECT_EQ(Text(Call(*d, u"Exists", {S(u"1")})), "False");
  EXPECT_EQ(Text(Call(*d, u"Exists", {S(u"B")})), "False");
  EXPECT_EQ(Text(Get(*d, u"Item", {S(u"b")})), "Belgrade");
  EXPECT_EQ(Text(Get(*d, u"Count")), "3");
  EXPECT_THAT(Texts(Call(*d, u"Keys")), ::testing::ElementsAre("b", "1", "a"));
  EXPECT_THAT(Texts(Call(*d, u"Items")), ::testing::ElementsAre("Belgrade", "one", "Athens"));

  // Item is the default member, and writing it adds or replaces.
  ASSERT_TRUE(Put(*d, u"Item", {S(u"c"), S(u"Cairo")}));
  std::vector<Variant> keyAndValue{S(u"a"), S(u"Ankara")};
  ASSERT_TRUE(d->Invoke(0, automation::InvokeKind::PropertyPut, keyAndValue));
  std::vector<Variant> key{S(u"a")};
  EXPECT_EQ(Text(d->Invoke(0, automation::InvokeKind::PropertyGet, key)), "Ankara");

  // Key renames, keeping the place in the order.
  ASSERT_TRUE(Put(*d, u"Key", {S(u"b"), S(u"B2")}));
  EXPECT_EQ(ErrorNumber(Put(*d, u"Key", {S(u"zz"), S(u"y")})), 32811);
  EXPECT_EQ(ErrorNumber(Put(*d, u"Key", {S(u"B2"), S(u"a")})), 457);
  EXPECT_THAT(Texts(Call(*d, u"Keys")), ::testing::ElementsAre("B2", "1", "a", "c"));

  auto missing = Call(*d, u"Remove", {S(u"nope")});
  EXPECT_EQ(ErrorNumber(missing), 32811);
  EXPECT_EQ(automation::Utf8FromUtf16(missing.error().description), "Element not found");
  ASSERT_TRUE(Call(*d, u"Remove", {I(1)}));
  EXPECT_THAT(Texts(Call(*d, u"Keys")), ::testing::ElementsAre("B2", "a", "c"));
  auto keys = automation::EnumerateAll(*d);
  ASSERT_TRUE(keys);
  EXPECT_EQ(keys->size(), 3u);
  ASSERT_TRUE(Call(*d, u"RemoveAll"));
  EXPECT_EQ(Text(Get(*d, u"Count")), "0");
}

TEST(DictionaryTest, ReadingAMissingKeyAddsItWithEmpty) {
  auto d = Create(u"Scripting.Dictionary");
  auto value = Get(*d, u"Item", {S(u"ghost")});
  ASSERT_TRUE(value);
  EXPECT_TRUE(value->IsEmpty());
  EXPECT_EQ(Text(Call(*d, u"Exists", {S(u"ghost")})), "True");
  EXPECT_EQ(Text(Get(*d, u"Count")), "1");
}

TEST(DictionaryTest, CompareModesAndWhenTheyMayChange) {
  struct Case {
    int mode;
    bool sameKey;  // "Key" and "KEY" are one key
  };
  for (const Case c : {Case{0, false}, Case{1, true}, Case{2, true}}) {
    auto d = Create(u"Scripting.Dictionary");
    ASSERT_TRUE(Put(*d, u"CompareMode", {I(c.mode)}));
    EXPECT_EQ(Text(Get(*d, u"CompareMode")), std::to_string(c.mode));
    ASSERT_TRUE(Call(*d, u"Add", {S(u"Key"), I(1)}));
    EXPECT_EQ(ErrorNumber(Call(*d, u"Add", {S(u"KEY"), I(2)})), c.sameKey ? 457 : 0) << c.mode;
    EXPECT_EQ(Text(Call(*d, u"Exists", {S(u"kEy")})), c.sameKey ? "True" : "False");
    // The first spelling stays the key's.
    EXPECT_EQ(Texts(Call(*d, u"Keys")).front(), "Key");
    EXPECT_EQ(ErrorNumber(Put(*d, u"CompareMode", {I(0)})), 5);
  }
  auto d = Create(u"Scripting.Dictionary");
  EXPECT_EQ(ErrorNumber(Put(*d, u"CompareMode", {I(-1)})), 5);
}

}  // namespace
}  // namespace hostobjects_testing
