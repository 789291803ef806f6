#include "platform/unique_fd.h"

#include <gtest/gtest.h>

namespace {

using platform::IsOpenDescriptor;
using platform::UniqueFd;

TEST(UniqueFd, ClosesOnDestructionAssignmentAndCloseButNotAfterMoveOrRelease) {
  const UniqueFd source = UniqueFd(0).Duplicate();
  UniqueFd standardInput(0);
  standardInput.release();  // never close the process's own standard input
  ASSERT_TRUE(source.valid());

  UniqueFd a = source.Duplicate();
  const int held = a.get();
  UniqueFd b(std::move(a));
  EXPECT_FALSE(a.valid());
  EXPECT_EQ(b.get(), held);
  EXPECT_TRUE(IsOpenDescriptor(held)) << "a move keeps the descriptor open";
  b = UniqueFd();
  EXPECT_FALSE(IsOpenDescriptor(held)) << "assigning over an owner closes what it held";

  int destroyed = -1;
  {
    UniqueFd scoped = source.Duplicate();
    destroyed = scoped.get();
  }
  EXPECT_FALSE(IsOpenDescriptor(destroyed));

  UniqueFd c = source.Duplicate();
  const int released = c.release();
  EXPECT_FALSE(c.valid());
  EXPECT_TRUE(IsOpenDescriptor(released)) << "release gives the descriptor up without closing it";
  UniqueFd d(released);
  EXPECT_TRUE(d.close());
  EXPECT_FALSE(d.valid());
  EXPECT_FALSE(IsOpenDescriptor(released));

  UniqueFd e = source.Duplicate();
  const int replaced = e.get();
  e.reset(source.Duplicate().release());
  EXPECT_FALSE(IsOpenDescriptor(replaced)) << "reset closes the old descriptor";
  EXPECT_TRUE(e.valid());
}

TEST(UniqueFd, EmptyOwnerClosesNothingAndDuplicatesNothing) {
  UniqueFd empty;
  EXPECT_FALSE(empty.valid());
  EXPECT_TRUE(empty.close());
  EXPECT_FALSE(empty.Duplicate().valid());
}

}  // namespace
