// The error numbers and texts, and the one mapping from Linux error codes onto them.

#include "components/socket/winsock_errors.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <set>

namespace {

using namespace components::winsock;

TEST(WinsockErrors, EveryNumberScriptsKnowHasItsText) {
  const int numbers[] = {40006, 40014, 40018, 40020, 40021, 40026, 10004, 10014,
                         10035, 10036, 10037, 10038, 10040, 10043, 10048, 10049,
                         10050, 10051, 10052, 10053, 10054, 10055, 10056, 10057,
                         10058, 10060, 10061, 10093, 11001, 11002, 11003, 11004};
  for (int number : numbers) EXPECT_FALSE(ErrorDescription(number).empty()) << number;
  EXPECT_EQ(ErrorDescription(40006),
            "Wrong protocol or connection state for the requested transaction or request.");
  // The numbers that are easily mistyped: the cancel is 10004 and the abort 10053.
  EXPECT_TRUE(ErrorDescription(1004).empty());
  EXPECT_TRUE(ErrorDescription(11053).empty());
  EXPECT_EQ(ErrorTexts().size(), std::size(numbers));
  int previous = 0;
  for (const auto& entry : ErrorTexts()) {
    EXPECT_LT(previous, entry.number);
    previous = entry.number;
  }
}

TEST(WinsockErrors, EachLinuxCodeIsMappedOnceOntoANumberWithText) {
  std::set<int> seen;
  for (const auto& mapping : ErrnoMappings()) {
    EXPECT_TRUE(seen.insert(mapping.errnoValue).second) << "mapped twice: " << mapping.errnoValue;
    EXPECT_FALSE(ErrorDescription(mapping.number).empty()) << mapping.number;
  }
  const struct {
    int errnoValue;
    int number;
  } cases[] = {
      {ECONNREFUSED, 10061}, {ETIMEDOUT, 10060},  {ECONNRESET, 10054},    {ECONNABORTED, 10053},
      {EPIPE, 10053},        {EADDRINUSE, 10048}, {EADDRNOTAVAIL, 10049}, {ENETUNREACH, 10051},
      {EMSGSIZE, 10040},     {EAGAIN, 10035},     {ENOTCONN, 10057},      {EISCONN, 10056},
      {ENOBUFS, 10055},      {EACCES, 10014},     {EBADF, 10038},         {ECANCELED, 10004},
  };
  for (const auto& c : cases) EXPECT_EQ(FromErrno(c.errnoValue), c.number) << c.errnoValue;
  // A code that sockets do not give still reports a number with a text.
  EXPECT_EQ(FromErrno(EDOM), 10050);
}

TEST(WinsockErrors, EveryKindOfLookupFailureHasItsNumber) {
  using platform::HostLookupFailure;
  const struct {
    HostLookupFailure failure;
    int errnoValue;
    int number;
  } cases[] = {
      {HostLookupFailure::kNone, 0, 0},
      {HostLookupFailure::kNotFound, 0, 11001},
      {HostLookupFailure::kTryAgain, 0, 11002},
      {HostLookupFailure::kNoRecovery, 0, 11003},
      {HostLookupFailure::kNoAddress, 0, 11004},
      {HostLookupFailure::kNoMemory, 0, 10055},
      {HostLookupFailure::kSystem, ECONNREFUSED, 10061},
      {HostLookupFailure::kSystem, EDOM, 10050},
  };
  for (const auto& c : cases) {
    platform::HostLookupOutcome outcome;
    outcome.failure = c.failure;
    outcome.errnoValue = c.errnoValue;
    EXPECT_EQ(FromLookupOutcome(outcome), c.number) << static_cast<int>(c.failure);
    if (c.number != 0) {
      EXPECT_FALSE(ErrorDescription(c.number).empty()) << c.number;
    }
  }
}

TEST(WinsockErrors, ScodeIsAControlErrorWithTheNumber) {
  EXPECT_EQ(static_cast<std::uint32_t>(ScodeOf(10061)), 0x800A274Du);
  EXPECT_EQ(static_cast<std::uint32_t>(ScodeOf(40006)), 0x800A9C46u);
}

}  // namespace
