// Window messages on Qt's event queue: order, posting from another thread, the hold, the
// repaint-only wait, and transport message handlers that run a box's loop.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <string>
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

// Runs a nested event loop for a while, as a modal box or a file dialog does.
void RunNestedLoop(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

// The handler of a transport message opens a "box": inside its loop the widget repaints, but
// neither its own message number nor any other posted message (from this thread or another) is
// delivered; they follow in order when it returns.
TEST(QtMessageQueue, ABoxInATransportHandlerHoldsTheMessagesButRepaints) {
  core::QtMessageQueue queue;
  queue.DeclareTransportMessage(9101);
  PaintCounter widget;
  widget.resize(50, 50);
  widget.show();
  QCoreApplication::processEvents();
  std::vector<std::string> seen;
  int paintsInBox = 0;
  queue.SetHandler([&](const WindowMessage& m) {
    const std::string name = std::to_string(m.number) + "." + std::to_string(m.first);
    seen.push_back("begin " + name);
    if (m.first == 0) {
      queue.Post({9101, 1, 0});
      std::thread([&queue] { queue.Post({8101, 2, 0}); }).join();
      const int before = widget.paints;
      widget.update();
      RunNestedLoop(50);
      paintsInBox = widget.paints - before;
    }
    seen.push_back("end " + name);
  });
  queue.Post({9101, 0, 0});
  for (int i = 0; i < 20 && seen.size() < 6; ++i)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(seen, (std::vector<std::string>{"begin 9101.0", "end 9101.0", "begin 9101.1",
                                            "end 9101.1", "begin 8101.2", "end 8101.2"}));
  EXPECT_GT(paintsInBox, 0) << "the window repaints while the box is up";
}

// A user command that waits in a loop (the file dialog of a send) is no message handler: the
// transport messages posted meanwhile are delivered inside its loop.
TEST(QtMessageQueue, AUserCommandsLoopDeliversTransportMessages) {
  core::QtMessageQueue queue;
  queue.DeclareTransportMessage(9101);
  int delivered = 0;
  queue.SetHandler([&](const WindowMessage&) { ++delivered; });
  queue.Post({9101, 0, 0});
  RunNestedLoop(50);
  EXPECT_EQ(delivered, 1);
}

}  // namespace
