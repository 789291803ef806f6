#pragma once
// Under AddressSanitizer every step of the host costs several times as much; the long-running
// tests divide their counts by this so that a run stays within the test's time. Their bounds
// stay the same.

#if defined(__SANITIZE_ADDRESS__)
#define TK_TESTS_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TK_TESTS_UNDER_ASAN 1
#endif
#endif

namespace scripthost_testing {

#if defined(TK_TESTS_UNDER_ASAN)
inline constexpr int kSanitizerSlowdown = 5;
#else
inline constexpr int kSanitizerSlowdown = 1;
#endif

}  // namespace scripthost_testing
