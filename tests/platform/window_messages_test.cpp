#include "platform/window_messages.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

using platform::InProcessMessageQueue;
using platform::WindowMessage;

TEST(InProcessMessageQueue, DeliversInOrderFromManyThreadsAndHonoursHolds) {
  InProcessMessageQueue queue;
  std::vector<WindowMessage> seen;
  queue.SetHandler([&](const WindowMessage& m) { seen.push_back(m); });

  constexpr int kThreads = 4;
  constexpr int kEach = 500;
  {
    platform::MessageHold hold(queue);
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t)
      posters.emplace_back([&queue, t] {
        for (int i = 0; i < kEach; ++i)
          queue.Post({static_cast<unsigned>(100 + t), static_cast<std::uintptr_t>(i), 0});
      });
    for (auto& p : posters) p.join();
    queue.PumpMessages();
    EXPECT_TRUE(seen.empty()) << "a held queue delivers nothing";
  }
  queue.PumpMessages();
  ASSERT_EQ(seen.size(), static_cast<size_t>(kThreads * kEach));
  // Each thread's messages arrive in the order it posted them.
  std::vector<std::uintptr_t> next(kThreads, 0);
  for (const auto& m : seen) {
    int t = static_cast<int>(m.number) - 100;
    EXPECT_EQ(m.first, next[t]++);
  }
}

TEST(InProcessMessageQueue, MessagesPostedDuringHandlingComeAfterwards) {
  InProcessMessageQueue queue;
  std::vector<unsigned> seen;
  queue.SetHandler([&](const WindowMessage& m) {
    seen.push_back(m.number);
    if (m.number == 1) queue.Post({3, 0, 0});
  });
  queue.Post({1, 0, 0});
  queue.Post({2, 0, 0});
  queue.PumpMessages();
  EXPECT_EQ(seen, (std::vector<unsigned>{1, 2, 3}));
}

TEST(InProcessMessageQueue, WaitAndPumpWakesOnAPostFromAnotherThread) {
  InProcessMessageQueue queue;
  int delivered = 0;
  queue.SetHandler([&](const WindowMessage&) { ++delivered; });
  std::thread poster([&] { queue.Post({0x47B, 1, 0}); });
  while (delivered == 0) queue.WaitAndPump(std::chrono::seconds(5));
  poster.join();
  EXPECT_EQ(delivered, 1);
}

}  // namespace
