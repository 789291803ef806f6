// Client mode, sending, recording and the start-up paths end to end: the real window, real
// loopback peers.

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/cp932.h"
#include "platform/last_error.h"
#include "tcpip/listen_endpoint.h"
#include "tcpip/loopback_peer.h"
#include "tcpip/peer_endpoint.h"
#include "tcpip/tool_fixture.h"
#include "tcpip/traffic_lines.h"

namespace tcpip_test {
namespace {

using platform::Cp932;
using tcpip::FormatLine;
using tcpip::LineFormats;

// A server for the tool to connect to: a listening endpoint that posts nothing.
struct FarServer {
  tcpip::ListenEndpoint listener{nullptr, nullptr};
  tcpip::PeerEndpoint accepted{nullptr, nullptr};
  FarServer() {
    EXPECT_TRUE(listener.OpenSocket(0));
    EXPECT_TRUE(listener.StartListening());
  }
  int Port() const { return listener.LocalPort(); }
  bool Accept() { return listener.AcceptInto(accepted); }
  std::string Read(std::size_t count) {
    std::string got;
    char buffer[65536];
    while (got.size() < count) {
      long n = accepted.ReceiveSome(buffer, std::min(sizeof buffer, count - got.size()));
      if (n <= 0) break;
      got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
  }
};

class ClientFlows : public ToolFixture {
 protected:
  void Connect(const std::string& host, int port) {
    Open(false, std::to_string(port));
    SetText(ids::kPeerAddress, host);
    Click(ids::kConnect);
  }
  std::string Line(const std::string& format, int port, const char* data = nullptr) {
    const std::string p = std::to_string(port);
    return data ? FormatLine(format, "127.0.0.1", p.c_str(), data)
                : FormatLine(format, "127.0.0.1", p.c_str());
  }
};

TEST_F(ClientFlows, ConnectSendTextAndPeerClose) {
  FarServer server;
  Connect("127.0.0.1", server.Port());
  ASSERT_TRUE(server.Accept());
  EXPECT_EQ(LastLine(), FormatLine(LineFormats::Get().listenStarted, "127.0.0.1", server.Port()));
  EXPECT_TRUE(T().IsConnected());
  EXPECT_FALSE(Enabled(ids::kPeerAddress));
  EXPECT_FALSE(Enabled(ids::kConnect));
  EXPECT_TRUE(Enabled(ids::kDisconnect));

  // The default send text with the binary conversion on: 12 bytes.
  SetText(ids::kSendBox, Cp932("<STX>１２３４５<ETX>"));
  SetCheck(ids::kDataTran, true);
  Click(ids::kSendText);
  EXPECT_EQ(server.Read(12), "\x02" + Cp932("１２３４５") + "\x03");
  EXPECT_EQ(LastLine(),
            Line(LineFormats::Get().sent, server.Port(), Cp932("<STX>１２３４５<ETX>").c_str()));
  // Without it the text's own 20 bytes.
  SetCheck(ids::kDataTran, false);
  Click(ids::kSendText);
  EXPECT_EQ(server.Read(20), Cp932("<STX>１２３４５<ETX>"));

  // An empty send box sends nothing and adds nothing.
  const auto count = Lines().size();
  SetText(ids::kSendBox, "");
  Click(ids::kSendText);
  EXPECT_EQ(Lines().size(), count);

  // The server goes: the tool is idle again, with the address box enabled.
  server.accepted.CloseSocket();
  ASSERT_TRUE(RunUntil([&] { return !T().IsConnected(); }));
  EXPECT_EQ(LastLine(), Line(LineFormats::Get().peerClosed, server.Port()));
  EXPECT_TRUE(Enabled(ids::kPeerAddress));
  EXPECT_TRUE(Enabled(ids::kConnect));
  EXPECT_FALSE(Enabled(ids::kDisconnect));
}

TEST_F(ClientFlows, ConnectFailuresGiveErrorLinesAndStayIdle) {
  struct Case {
    const char* name;
    std::string host;
    int error;
  };
  const Case cases[] = {
      {"refused", "127.0.0.1", ECONNREFUSED},
      {"host that does not resolve", "no-such-host.invalid", EINVAL},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int port = FreePort();
    Connect(c.host, port);
    EXPECT_EQ(LastLine(), FormatLine(LineFormats::Get().failedWithPort, c.host.c_str(), port,
                                     platform::SystemMessageText(c.error).c_str()));
    EXPECT_FALSE(T().IsConnected());
    EXPECT_EQ(T().LiveEndpoints(), 0u);
    EXPECT_TRUE(Enabled(ids::kConnect));
    TearDown();
  }
}

TEST_F(ClientFlows, FilesAreSentAsOneBlockOfAtMost102400Bytes) {
  FarServer server;
  Connect("127.0.0.1", server.Port());
  ASSERT_TRUE(server.Accept());
  SetCheck(ids::kDataTran, false);
  std::string content(150000, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
  const std::string big = dir_ / "big.bin";
  testing_support::WriteWholeFile(big, content);
  T().SendOneFile(big);
  EXPECT_EQ(server.Read(102400), content.substr(0, 102400));
  const std::string sentPrefix = Cp932("送-> ");
  EXPECT_EQ(LastLine().compare(0, sentPrefix.size(), sentPrefix), 0);

  const auto count = Lines().size();
  const std::string empty = dir_ / "empty.txt";
  testing_support::WriteWholeFile(empty, "");
  T().SendOneFile(empty);
  EXPECT_EQ(Lines().size(), count) << "an empty file sends nothing";

  T().SendOneFile(dir_ / "missing.txt");
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_EQ(dialogs_.boxes[0].caption, Cp932("ファイルオープンエラー"));
  EXPECT_EQ(dialogs_.boxes[0].text, platform::SystemMessageText(ENOENT));

  T().SendOneFile(dir_.str());  // a folder opens but cannot be read
  ASSERT_EQ(dialogs_.boxes.size(), 2u);
  EXPECT_EQ(dialogs_.boxes[1].caption, Cp932("ファイル読み込みエラー"));
  EXPECT_EQ(Lines().size(), count);
}

TEST_F(ClientFlows, FailedSendGivesAnErrorLineAndKeepsTheConnection) {
  FarServer server;
  Connect("127.0.0.1", server.Port());
  ASSERT_TRUE(server.Accept());
  // The far side goes; the tool is not told yet (no event is handled below), so the connection
  // is still current when the sends find it broken.
  server.accepted.CloseSocket();
  // An orderly close would still let the first send through; write until the reset comes back.
  SetText(ids::kSendBox, "data");
  SetCheck(ids::kDataTran, false);
  const std::string erPrefix = Cp932("*ER* ");
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (LastLine().compare(0, erPrefix.size(), erPrefix) != 0 &&
         std::chrono::steady_clock::now() < limit) {
    T().OnTextSendButton();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  // The peer's address may already be unreadable once the connection is broken.
  const std::string last = LastLine();
  const std::string port = std::to_string(server.Port());
  bool matched = false;
  for (const char* address : {"127.0.0.1", ""})
    for (int error : {EPIPE, ECONNRESET})
      matched |= last == FormatLine(LineFormats::Get().sendFailed, address, port.c_str(),
                                    platform::SystemMessageText(error).c_str());
  EXPECT_TRUE(matched) << platform::Cp932ToUtf8(last);
  EXPECT_TRUE(T().IsConnected()) << "a failed send does not close the connection";
}

TEST_F(ClientFlows, DataFilesAndDailyLogAreByteExact) {
  FarServer server;
  Open(false, std::to_string(server.Port()));
  SetCheck(ids::kDataSave, true);
  SetCheck(ids::kListSave, true);
  SetText(ids::kPeerAddress, "127.0.0.1");
  Click(ids::kConnect);
  ASSERT_TRUE(server.Accept());
  SetCheck(ids::kDataTran, true);
  SetText(ids::kSendBox, "<STX>AB<ETX>");
  Click(ids::kSendText);
  ASSERT_EQ(server.Read(4),
            "\x02"
            "AB\x03");
  const std::string reply =
      "\x06"
      "ok\r\n";
  ASSERT_EQ(server.accepted.SendAll(reply.data(), reply.size()), 5);
  ASSERT_TRUE(RunUntil([&] { return Lines().size() == 3; }));

  std::vector<std::string> sent, received;
  for (const auto& entry : std::filesystem::directory_iterator(DataFolder())) {
    const std::string name = entry.path().filename().string();
    const std::string bytes = testing_support::ReadWholeFile(entry.path().string());
    if (name.find("_Tcp送信.dat") != std::string::npos) sent.push_back(bytes);
    if (name.find("_Tcp受信.dat") != std::string::npos) received.push_back(bytes);
  }
  ASSERT_EQ(sent.size(), 1u);
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(sent[0],
            "\x02"
            "AB\x03");
  EXPECT_EQ(received[0], reply);

  // The daily log holds every line, each after the clock's stamp and followed by CR LF.
  const std::string log = testing_support::ReadWholeFile(LogFolder() + "/20070305_Vendrel.log");
  std::string expected;
  for (const auto& line : Lines()) expected += "2007/03/05 12:00:00 " + line + "\r\n";
  EXPECT_EQ(log, expected);
  ASSERT_EQ(Lines().size(), 3u);
  EXPECT_EQ(Lines()[2], Line(LineFormats::Get().received, server.Port(), "<ACK>ok<CR><LF>"));
}

TEST_F(ClientFlows, ModeButtonsSetTheAddressBox) {
  Open(false, "1");
  SetText(ids::kPeerAddress, "typed.example");
  Click(ids::kServer);
  EXPECT_EQ(AddressBox(), "");
  EXPECT_FALSE(Enabled(ids::kPeerAddress));
  Click(ids::kClient);
  EXPECT_EQ(AddressBox(), tool_.fields.savedIp);
  EXPECT_TRUE(Enabled(ids::kPeerAddress));
}

TEST_F(ClientFlows, SocketStartFailureShowsTheBoxAndSkipsTheRest) {
  Open(false, "1", [] {
    platform::SetLastError(EMFILE);
    return false;
  });
  ASSERT_EQ(dialogs_.boxes.size(), 1u);
  EXPECT_EQ(dialogs_.boxes[0].caption, Cp932("ソケット初期化エラー"));
  EXPECT_EQ(dialogs_.boxes[0].text, platform::SystemMessageText(EMFILE));
}

TEST_F(ClientFlows, DisconnectClosesTheOwnConnection) {
  FarServer server;
  Connect("127.0.0.1", server.Port());
  ASSERT_TRUE(server.Accept());
  Click(ids::kDisconnect);
  EXPECT_EQ(LastLine(), Line(LineFormats::Get().peerClosed, server.Port()));
  EXPECT_FALSE(T().IsConnected());
  EXPECT_TRUE(Enabled(ids::kPeerAddress));
  char byte;
  EXPECT_EQ(server.accepted.ReceiveSome(&byte, 1), 0) << "the far side sees the end";
  ASSERT_TRUE(RunUntil([&] { return T().LiveEndpoints() == 0; }));
}

}  // namespace
}  // namespace tcpip_test
