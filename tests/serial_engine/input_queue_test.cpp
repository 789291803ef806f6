#include "serial/engine/input_queue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using serial::InputQueue;

// Fills the free space the way the receive thread does: in contiguous pieces.
std::size_t Put(InputQueue& queue, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size() && !queue.Full()) {
    std::size_t space = 0;
    char* into = queue.WriteSpace(space);
    const std::size_t n = std::min(space, bytes.size() - done);
    std::memcpy(into, bytes.data() + done, n);
    queue.Commit(n);
    done += n;
  }
  return done;
}

std::string Take(InputQueue& queue, std::size_t n) {
  std::string out(n, '\0');
  out.resize(queue.Take(out.data(), n));
  return out;
}

TEST(InputQueue, KeepsOrderAcrossTheWrapAndStopsWhenFull) {
  InputQueue queue(8);
  EXPECT_EQ(Put(queue, "abcdef"), 6u);
  EXPECT_EQ(Take(queue, 4), "abcd");
  // The free space now wraps: "ghij" goes to the end and then to the start.
  EXPECT_EQ(Put(queue, "ghijklmn"), 6u);
  EXPECT_TRUE(queue.Full());
  std::size_t space = 1;
  queue.WriteSpace(space);
  EXPECT_EQ(space, 0u);
  EXPECT_EQ(queue.Size(), 8u);
  EXPECT_EQ(Take(queue, 3), "efg");
  EXPECT_EQ(Take(queue, 100), "hijkl");
  EXPECT_EQ(queue.Size(), 0u);
  EXPECT_EQ(Put(queue, "12345678"), 8u);
  EXPECT_EQ(Take(queue, 8), "12345678");
}

}  // namespace
