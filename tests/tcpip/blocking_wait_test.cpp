// Clicks on the window while a blocking socket call waits: the window repaints, the clicks stay
// queued, and they take effect once the call has ended. The wait is a send of the "TEXT送信"
// button into a peer that does not read until the clicks have been posted; the clicks are
// posted mouse events, as the window system's would be, not synchronous QTest clicks.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "tcpip/loopback_peer.h"
#include "tcpip/peer_endpoint.h"
#include "tcpip/tool_fixture.h"

namespace tcpip_test {
namespace {

// Runs `onPaint` for every paint of the watched widgets.
class PaintWatch final : public QObject {
 public:
  explicit PaintWatch(std::function<void()> onPaint) : onPaint_(std::move(onPaint)) {}

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) onPaint_();
    return false;
  }

 private:
  std::function<void()> onPaint_;
};

// A left click on the middle of `target`, posted to the event queue.
void PostClick(QWidget& target) {
  const QPointF at = QRectF(target.rect()).center();
  const QPointF global = target.mapToGlobal(at);
  for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    // Qt takes ownership of a posted event.
    QCoreApplication::postEvent(&target, std::make_unique<QMouseEvent>(
                                             type, at, global, Qt::LeftButton, held, Qt::NoModifier)
                                             .release());
  }
}

class BlockingWait : public ToolFixture {
 protected:
  void Join(LoopbackPeer& peer) {
    ASSERT_TRUE(peer.Connect(ListenPort()));
    ASSERT_TRUE(RunUntil([&] { return T().Peers().Occupied() == 1; }));
  }
};

TEST_F(BlockingWait, ClicksDuringABlockingSendTakeEffectAfterTheSendHasEnded) {
  Open(true, "0");
  Click(ids::kConnect);
  LoopbackPeer peer;
  Join(peer);
  SetText(ids::kSendBox, std::string(30000, 'x'));
  Settle();

  std::atomic<bool> posted = false;  // the clicks on "LOGクリア" have been posted
  std::atomic<int> windowPaintsInWait = 0;
  std::atomic<bool> stopReading = false;
  // The peer reads nothing until the clicks have been posted and the window has repainted
  // twice during the wait (or, should that never happen, until a time limit, so that the test
  // ends), then reads until the test is done.
  std::thread reader([&] {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!(posted && windowPaintsInWait >= 2) && !stopReading &&
           std::chrono::steady_clock::now() < limit)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    char buffer[65536];
    while (!stopReading) {
      if (peer.socket().Receive(buffer, sizeof buffer) <= 0)
        peer.socket().WaitFor(platform::StreamSocket::Await::Readable, 20);
    }
  });

  const tcpip::PeerEndpoint* endpoint = T().Peers().LowestOccupied();
  ASSERT_NE(endpoint, nullptr);
  QWidget& clear = *W().Control(ids::kClearLog);
  bool clearedDuringWait = false;

  // The button's own click paints at once, before its handler runs, so nothing of the window is
  // left to paint when the send starts to wait. A small window of the test's own, asked to
  // repaint before each click, shows when the wait runs its rounds of repaints.
  QWidget probe;
  probe.resize(20, 20);
  probe.show();
  ASSERT_TRUE(RunUntil([&] { return probe.windowHandle() && probe.windowHandle()->isExposed(); }));
  PaintWatch probeWatch([&] {
    if (!endpoint->IsBlocking()) return;
    if (!posted) {
      PostClick(clear);
      posted = true;
    }
    W().update();
  });
  probe.installEventFilter(&probeWatch);
  // The tool's window, asked to repaint during the wait, repaints in the wait's next round. The
  // two windows ask each other, as a widget's request to repaint itself while it paints is
  // dropped.
  PaintWatch windowWatch([&] {
    if (!endpoint->IsBlocking()) return;
    ++windowPaintsInWait;
    if (Lines().empty()) clearedDuringWait = true;
    probe.update();
  });
  W().installEventFilter(&windowWatch);

  // Each send of 30000 bytes goes into the socket buffers until they are full; then one waits.
  for (int i = 0; i < 2000 && !posted; ++i) {
    probe.update();
    Click(ids::kSendText);
  }
  W().removeEventFilter(&windowWatch);
  probe.removeEventFilter(&probeWatch);
  const std::string sentLine = LastLine();
  const std::size_t linesAfterSend = Lines().size();
  stopReading = true;
  reader.join();
  ASSERT_TRUE(posted) << "no send waited";

  EXPECT_GE(windowPaintsInWait, 2) << "the window repaints while the send waits";
  EXPECT_FALSE(clearedDuringWait) << "a click took effect during the wait";
  // Had the list been cleared during the wait, it would hold the sent line alone.
  EXPECT_GT(linesAfterSend, 1u) << "the click has not taken effect when the send returns";
  EXPECT_EQ(sentLine.rfind(platform::Cp932("送-> "), 0), 0u) << "the send ended well";

  // Back in the event loop, the queued click clears the list.
  EXPECT_TRUE(RunUntil([&] { return Lines().empty(); }));
  EXPECT_EQ(W().TrafficListWidget().count(), 0);
}

}  // namespace
}  // namespace tcpip_test
