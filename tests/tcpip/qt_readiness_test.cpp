// The endpoints' notices through Qt's own event loop (socket notifiers).

#include "tcpip/qt_readiness_loop.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "tcpip/listen_endpoint.h"
#include "tcpip/loopback_peer.h"
#include "tcpip/peer_endpoint.h"
#include "tcpip/socket_messages.h"

namespace {

TEST(QtReadinessLoop, NoticesArriveThroughTheEventLoop) {
  tcpip::QtReadinessLoop loop;
  platform::InProcessMessageQueue queue;
  std::vector<platform::WindowMessage> seen;
  queue.SetHandler([&](const platform::WindowMessage& m) { seen.push_back(m); });
  auto runUntil = [&](size_t count) {
    QElapsedTimer timer;
    timer.start();
    while (seen.size() < count && timer.elapsed() < 5000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      queue.PumpMessages();
    }
    return seen.size() >= count;
  };

  tcpip::ListenEndpoint listener(&queue, &loop);
  ASSERT_TRUE(listener.OpenSocket(0));
  ASSERT_TRUE(listener.StartListening());
  tcpip_test::LoopbackPeer far;
  ASSERT_TRUE(far.Connect(listener.LocalPort()));
  ASSERT_TRUE(runUntil(1));
  EXPECT_EQ(seen[0].number, tcpip::WM_SOCK_ACCEPT);

  tcpip::PeerEndpoint peer(&queue, &loop);
  ASSERT_TRUE(listener.AcceptInto(peer));
  ASSERT_TRUE(far.SendAll("hello"));
  far.Close();
  ASSERT_TRUE(runUntil(2));
  EXPECT_EQ(seen[1], (platform::WindowMessage{tcpip::WM_SOCK_RECEIVE, peer.Id(), 0}));
  char buffer[16];
  ASSERT_EQ(peer.ReceiveSome(buffer, sizeof buffer), 5);
  ASSERT_TRUE(runUntil(3));
  EXPECT_EQ(seen[2].number, tcpip::WM_SOCK_CLOSE);
  peer.CloseSocket();
  for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(seen.size(), 3u);
}

}  // namespace
