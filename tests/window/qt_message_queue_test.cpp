// Window messages on Qt's event queue: order, posting from another thread, the hold, and the
// repaint-only wait.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QWidget>
#include <thread>
#include <vector>

#include "core/window/qt_message_queue.h"

namespace {

using platform::WindowMessage;

TEST(QtMessageQueue, DeliversInOrderFromTheEventLoop) {
  core::QtMessageQueue queue;
  std::vector<unsigned> seen;
  queue.SetHandler([&](const WindowMessage& message) { seen.push_back(message.number); });
  queue.Post({1, 0, 0});
  queue.Post({2, 0, 0});
  EXPECT_TRUE(seen.empty());
  QCoreApplication::processEvents();
  EXPECT_EQ(seen, (std::vector<unsigned>{1, 2}));
}

TEST(QtMessageQueue, MessagesFromAnotherThreadArriveInOrder) {
  core::QtMessageQueue queue;
  std::vector<std::intptr_t> seen;
  queue.SetHandler([&](const WindowMessage& message) { seen.push_back(message.second); });
  std::thread poster([&] {
    for (int i = 0; i < 500; ++i) queue.Post({0x47B, 1, i});
  });
  poster.join();
  while (seen.size() < 500) queue.PumpMessages();
  for (int i = 0; i < 500; ++i) ASSERT_EQ(seen[i], i);
}

TEST(QtMessageQueue, AHoldKeepsMessagesUntilTheLastRelease) {
  core::QtMessageQueue queue;
  int delivered = 0;
  queue.SetHandler([&](const WindowMessage&) { ++delivered; });
  queue.Hold();
  queue.Hold();
  queue.Post({9101, 0, 0});
  queue.PumpMessages();
  queue.ProcessRepaints();
  EXPECT_EQ(delivered, 0);
  queue.Release();
  queue.PumpMessages();
  EXPECT_EQ(delivered, 0);
  queue.Release();
  QCoreApplication::processEvents();
  EXPECT_EQ(delivered, 1);
}

// A widget that counts its paints.
class PaintCounter : public QWidget {
 public:
  int paints = 0;

 protected:
  void paintEvent(QPaintEvent*) override { ++paints; }
};

TEST(QtMessageQueue, ProcessRepaintsRunsRepaintsOnly) {
  core::QtMessageQueue queue;
  int delivered = 0;
  queue.SetHandler([&](const WindowMessage&) { ++delivered; });
  PaintCounter widget;
  widget.resize(50, 50);
  widget.show();
  QCoreApplication::processEvents();
  const int before = widget.paints;
  {
    platform::MessageHold hold(queue);
    queue.Post({8101, 0, 0});
    widget.update();
    queue.ProcessRepaints();
    EXPECT_GT(widget.paints, before);
    EXPECT_EQ(delivered, 0);
  }
  QCoreApplication::processEvents();
  EXPECT_EQ(delivered, 1);
}

TEST(QtMessageQueue, MessagesWaitForTheHandler) {
  core::QtMessageQueue queue;
  queue.Post({5, 0, 0});
  QCoreApplication::processEvents();
  int delivered = 0;
  queue.SetHandler([&](const WindowMessage&) { ++delivered; });
  QCoreApplication::processEvents();
  EXPECT_EQ(delivered, 1);
}

}  // namespace
