#include "platform/window_messages.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
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
  // The poster lets the wait begin first, so that the post has to wake it; should it come
  // earlier, the wait finds the message at once, which the checks below accept as well.
  std::thread poster([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    queue.Post({0x47B, 1, 0});
  });
  // One wait with a limit far beyond the post: only a wake-up ends it early.
  constexpr auto kLimit = std::chrono::seconds(60);
  const auto start = std::chrono::steady_clock::now();
  const int pumped = queue.WaitAndPump(kLimit);
  const auto waited = std::chrono::steady_clock::now() - start;
  poster.join();
  EXPECT_EQ(pumped, 1);
  EXPECT_EQ(delivered, 1);
  EXPECT_LT(waited, kLimit / 2) << "the wait ran to its limit instead of waking on the post";
}

// A transport message's handler that runs a loop (a box) delivers nothing inside it: what was
// posted meanwhile follows in order when it returns. An undeclared message's handler is not held.
TEST(InProcessMessageQueue, TransportMessageHandlersAreNeverReentered) {
  InProcessMessageQueue queue;
  queue.DeclareTransportMessage(1);
  std::vector<std::string> seen;
  queue.SetHandler([&](const WindowMessage& m) {
    const std::string name = std::to_string(m.number) + "." + std::to_string(m.first);
    seen.push_back("begin " + name);
    if (m.first == 0) {
      queue.Post({m.number, 1, 0});
      queue.Post({3, 1, 0});
      queue.PumpMessages();  // what a box's loop does
    }
    seen.push_back("end " + name);
  });
  queue.Post({1, 0, 0});
  queue.PumpMessages();
  EXPECT_EQ(seen, (std::vector<std::string>{"begin 1.0", "end 1.0", "begin 1.1", "end 1.1",
                                            "begin 3.1", "end 3.1"}));

  seen.clear();
  queue.Post({2, 0, 0});  // not a transport message: its loop delivers
  queue.PumpMessages();
  EXPECT_EQ(seen, (std::vector<std::string>{"begin 2.0", "begin 2.1", "end 2.1", "begin 3.1",
                                            "end 3.1", "end 2.0"}));
  EXPECT_EQ(queue.Waiting(), 0u);
}

// Ids are unique across threads and never 0, so a message naming a target that is gone finds
// nothing, even when another target now lives at the same address.
TEST(MessageTargets, AGoneTargetsIdFindsNothing) {
  std::vector<std::vector<std::uintptr_t>> drawn(4);
  std::vector<std::thread> drawers;
  for (auto& ids : drawn)
    drawers.emplace_back([&ids] {
      for (int i = 0; i < 1000; ++i) ids.push_back(platform::NewMessageTargetId());
    });
  for (auto& d : drawers) d.join();
  std::set<std::uintptr_t> all;
  for (const auto& ids : drawn) all.insert(ids.begin(), ids.end());
  EXPECT_EQ(all.size(), 4000u);
  EXPECT_EQ(all.count(0), 0u);

  struct Port {
    int n = 0;
  } port;
  platform::MessageTargets<Port> targets;
  const std::uintptr_t first = platform::NewMessageTargetId();
  targets.Add(first, port);
  EXPECT_EQ(targets.Find(first), &port);
  targets.Remove(first);
  const std::uintptr_t second = platform::NewMessageTargetId();
  targets.Add(second, port);  // the same address, a new life
  EXPECT_EQ(targets.Find(first), nullptr);
  EXPECT_EQ(targets.Find(second), &port);
  EXPECT_EQ(targets.Find(0), nullptr);
  EXPECT_EQ(targets.Size(), 1u);
}

}  // namespace
