#pragma once
// A pseudo-terminal pair for serial tests: the test holds the master side, the code under test
// opens the slave by its path. The master is non-blocking; the helpers below wait with poll.

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace testing_support {

class PtyPair {
 public:
  // With `keepSlave`, the test also keeps the slave open (to read its attributes).
  explicit PtyPair(bool keepSlave = false);
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool IsValid() const { return master_ >= 0; }
  const std::string& SlavePath() const { return slavePath_; }
  int Master() const { return master_; }
  int Slave() const { return slave_; }

  // Writes every byte to the master, waiting while the pair is full; false on failure.
  bool Write(std::string_view bytes);
  // Reads from the master until `count` bytes came or the time passed.
  std::string Read(std::size_t count, std::chrono::milliseconds timeout);
  // Closes the master: the slave hangs up, like an unplugged adapter.
  void CloseMaster();

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
};

}  // namespace testing_support
