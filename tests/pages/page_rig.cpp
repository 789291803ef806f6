#include "pages/page_rig.h"

#include <filesystem>
#include <optional>

namespace page_testing {

PageRig::PageRig() {
  // The server writes the number of the display it took; its own chatter goes nowhere.
  server_ = platform::ChildProcess::Start(
      {"/bin/sh",
       {"-c", "exec Xvfb -displayfd 1 -nolisten tcp -screen 0 1024x768x24 2>/dev/null"},
       "",
       {}});
  if (server_.IsRunning()) {
    if (std::optional<std::string> line = server_.ReadLine(20000)) {
      display_ = std::stoi(*line);
    }
  }
  std::filesystem::create_directories(folder_.path() / "run");
  std::filesystem::permissions(folder_.path() / "run", std::filesystem::perms::owner_all);
  registered_ = true;
  for (const char* module : {TK_QUORVANE_MODULE, TK_TEST_MODULE}) {
    platform::ChildProcess registering =
        platform::ChildProcess::Start({TK_PAGE_REGISTER, {module}, "", Environment()});
    registering.ReadRest();
    registered_ = registered_ && registering.IsRunning() && registering.Wait() == 0;
  }
}

std::vector<std::pair<std::string, std::string>> PageRig::Environment() const {
  return {{"DISPLAY", ":" + std::to_string(display_)},
          {"XDG_DATA_HOME", folder_ / "data"},
          {"XDG_CONFIG_HOME", folder_ / "config"},
          {"XDG_CACHE_HOME", folder_ / "cache"},
          {"XDG_RUNTIME_DIR", folder_ / "run"}};
}

PageResult PageRig::Run(const std::string& name, const std::string& page,
                        const std::vector<std::string>& arguments) {
  const std::string pagePath = folder_ / name;
  testing_support::WriteWholeFile(pagePath, page);
  return RunFile(pagePath, arguments, 60);
}

PageResult PageRig::RunFile(const std::string& pagePath, const std::vector<std::string>& arguments,
                            int timeoutSeconds) {
  platform::ChildProcess host = Start(pagePath, arguments, timeoutSeconds);
  return Finish(host);
}

platform::ChildProcess PageRig::Start(const std::string& pagePath,
                                      const std::vector<std::string>& arguments,
                                      int timeoutSeconds) {
  std::vector<std::string> args{"-c",        "exec \"$@\" 2>\"$PAGE_TEST_STDERR\" </dev/null",
                                "sh",        TK_PAGE_HOST,
                                "--timeout", std::to_string(timeoutSeconds),
                                pagePath};
  args.insert(args.end(), arguments.begin(), arguments.end());
  auto environment = Environment();
  environment.emplace_back("PAGE_TEST_STDERR", folder_ / "stderr.txt");
  return platform::ChildProcess::Start({"/bin/sh", args, folder_.str(), environment});
}

PageResult PageRig::Finish(platform::ChildProcess& host) {
  PageResult result;
  if (!host.IsRunning()) return result;
  host.ReadRest();
  result.exitCode = host.Wait();
  result.err = testing_support::ReadWholeFile(folder_ / "stderr.txt");
  return result;
}

LoopbackPeer::LoopbackPeer(int connections,
                           std::function<void(int, platform::StreamSocket&)> serve) {
  listener_.Open();
  listener_.Bind(0, true);
  listener_.Listen(8);
  port_ = listener_.LocalPort();
  thread_ = std::thread([this, connections, serve] {
    for (int i = 0; i < connections; ++i) {
      if (listener_.WaitFor(platform::StreamSocket::Await::Acceptable, 30000) !=
          platform::StreamSocket::WaitOutcome::Ready) {
        return;
      }
      platform::StreamSocket peer;
      if (listener_.Accept(peer)) serve(i, peer);
    }
  });
}

LoopbackPeer::~LoopbackPeer() {
  thread_.join();
}

void SendAll(platform::StreamSocket& socket, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    long n = socket.Send(bytes.data() + sent, bytes.size() - sent);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
    } else if (socket.WaitFor(platform::StreamSocket::Await::Writable, 10000) !=
               platform::StreamSocket::WaitOutcome::Ready) {
      return;
    }
  }
}

std::string ReceiveBytes(platform::StreamSocket& socket, std::size_t count) {
  std::string got;
  while (got.size() < count) {
    if (socket.WaitFor(platform::StreamSocket::Await::Readable, 10000) !=
        platform::StreamSocket::WaitOutcome::Ready) {
      break;
    }
    char buffer[4096];
    long n = socket.Receive(buffer, sizeof buffer);
    if (n <= 0) break;
    got.append(buffer, static_cast<std::size_t>(n));
  }
  return got;
}

bool Connects(int port) {
  platform::StreamSocket socket;
  std::uint32_t address = 0;
  if (!socket.Open() || !platform::ResolveIPv4("127.0.0.1", address)) return false;
  if (socket.StartConnect(address, static_cast<std::uint16_t>(port))) return true;
  return socket.WaitFor(platform::StreamSocket::Await::Connected, 5000) ==
             platform::StreamSocket::WaitOutcome::Ready &&
         socket.FinishConnect() == 0;
}

}  // namespace page_testing
