#pragma once
// The accepted connections of server mode: 100 slots, each holding a peer endpoint or empty. The
// window owns the endpoints; the table only names them.

#include <array>
#include <cstddef>

namespace tcpip {

class PeerEndpoint;

class PeerTable {
 public:
  static constexpr int kSlots = 100;

  // The first empty slot from slot 0, or -1 when all are taken.
  int FirstEmpty() const;
  // The first slot that holds `peer`, or -1.
  int Find(const PeerEndpoint* peer) const;
  bool Contains(const PeerEndpoint* peer) const { return Find(peer) >= 0; }
  // The endpoint in the lowest occupied slot, or nullptr.
  PeerEndpoint* LowestOccupied() const;
  // Empties the first slot that holds `peer`, if any.
  void Remove(const PeerEndpoint* peer);
  int Occupied() const;

  PeerEndpoint*& operator[](int slot) { return slots_[static_cast<std::size_t>(slot)]; }
  PeerEndpoint* operator[](int slot) const { return slots_[static_cast<std::size_t>(slot)]; }

 private:
  std::array<PeerEndpoint*, kSlots> slots_{};
};

}  // namespace tcpip
