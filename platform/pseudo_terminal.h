#pragma once
// A pseudo-terminal pair standing in for a serial line in tests and benchmarks: the caller holds
// the master side, the code under test opens the slave by its path. The master is non-blocking;
// the helpers below wait with poll.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/unique_fd.h"

namespace platform {

// What a test checks of the slave side's line discipline after a port was configured.
struct TerminalModes {
  bool echo = false;
  bool canonical = false;
  bool outputProcessing = false;
  bool xonXoffOut = false;  // IXON
  bool xonXoffIn = false;   // IXOFF
  int outputSpeed = 0;      // bits per second, for the standard speeds
};

class PseudoTerminalPair {
 public:
  // With `keepSlave`, the test also keeps the slave open (to read its attributes).
  explicit PseudoTerminalPair(bool keepSlave = false);
  PseudoTerminalPair(const PseudoTerminalPair&) = delete;
  PseudoTerminalPair& operator=(const PseudoTerminalPair&) = delete;

  bool IsValid() const { return master_.valid(); }
  const std::string& SlavePath() const { return slavePath_; }
  int Master() const { return master_.get(); }
  int Slave() const { return slave_.get(); }

  // Writes every byte to the master, waiting while the pair is full; false on failure.
  bool Write(std::string_view bytes);
  // Reads from the master until `count` bytes came or the time passed.
  std::string Read(std::size_t count, std::chrono::milliseconds timeout);
  // Puts the kept slave in cooked mode with echo, as a new terminal starts.
  bool MakeSlaveCooked();
  // The kept slave's modes; nothing when they cannot be read.
  std::optional<TerminalModes> SlaveModes() const;

  // Closes the master: the slave hangs up, like an unplugged adapter.
  void CloseMaster();

 private:
  UniqueFd master_;
  UniqueFd slave_;
  std::string slavePath_;
};

}  // namespace platform
