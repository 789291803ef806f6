#pragma once
// Runs the page host on pages written into a temporary folder, under an X server of the test's
// own (Xvfb, display chosen by the server itself), with the control library registered in a
// class registry of the test's own; and loopback peers for the pages to talk to.

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/process.h"
#include "platform/stream_socket.h"
#include "support/temp_dir.h"

namespace page_testing {

// The class identifiers of the library's controls, as a page's object tag names them.
inline constexpr const char* kWinsockClassId = "clsid:080D07FA-89B1-4BD7-9665-563A63321AAB";
inline constexpr const char* kMSCommClassId = "clsid:29B8A071-CFFB-4BB6-8505-7BC157F6CD6A";
// The script host tests' widget: an object whose events and values the tests choose.
inline constexpr const char* kWidgetClassId = "clsid:5C1D0A01-7E2B-4F3C-8D11-2A3B4C5D6E01";

struct PageResult {
  int exitCode = -1;
  std::string err;
};

class PageRig {
 public:
  // Starts the X server and registers the control library and the test widget's module; ok()
  // tells whether all worked.
  PageRig();
  bool ok() const { return display_ >= 0 && registered_; }

  // Writes `page` as `name` in the folder and runs the host on it with `arguments`.
  PageResult Run(const std::string& name, const std::string& page,
                 const std::vector<std::string>& arguments);
  // Runs the host on the page at `path` as it stands, ended after `timeoutSeconds` at the latest.
  PageResult RunFile(const std::string& path, const std::vector<std::string>& arguments,
                     int timeoutSeconds);
  // The same, started and left running: Finish waits for its end.
  platform::ChildProcess Start(const std::string& path, const std::vector<std::string>& arguments,
                               int timeoutSeconds);
  PageResult Finish(platform::ChildProcess& host);

  const testing_support::TempDir& folder() const { return folder_; }
  std::vector<std::pair<std::string, std::string>> Environment() const;

 private:
  testing_support::TempDir folder_;
  platform::ChildProcess server_;
  int display_ = -1;
  bool registered_ = false;
};

// A loopback listener on a port of the system's choosing, whose connections are served one after
// another by a thread of its own, up to `connections` of them.
class LoopbackPeer {
 public:
  LoopbackPeer(int connections, std::function<void(int index, platform::StreamSocket&)> serve);
  ~LoopbackPeer();
  int port() const { return port_; }

 private:
  platform::StreamSocket listener_;
  int port_ = -1;
  std::thread thread_;
};

void SendAll(platform::StreamSocket& socket, const std::string& bytes);
// Reads until `count` bytes came, the peer closed, or ten seconds passed.
std::string ReceiveBytes(platform::StreamSocket& socket, std::size_t count);
// Whether a connection to the loopback `port` is taken (false when refused).
bool Connects(int port);

}  // namespace page_testing
