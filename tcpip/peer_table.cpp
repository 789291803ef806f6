#include "tcpip/peer_table.h"

namespace tcpip {

int PeerTable::FirstEmpty() const {
  return Find(nullptr);
}

int PeerTable::Find(const PeerEndpoint* peer) const {
  for (int slot = 0; slot < kSlots; ++slot)
    if (slots_[static_cast<std::size_t>(slot)] == peer) return slot;
  return -1;
}

PeerEndpoint* PeerTable::LowestOccupied() const {
  for (PeerEndpoint* peer : slots_)
    if (peer) return peer;
  return nullptr;
}

void PeerTable::Remove(const PeerEndpoint* peer) {
  if (!peer) return;
  const int slot = Find(peer);
  if (slot >= 0) slots_[static_cast<std::size_t>(slot)] = nullptr;
}

int PeerTable::Occupied() const {
  int count = 0;
  for (PeerEndpoint* peer : slots_) count += peer != nullptr;
  return count;
}

}  // namespace tcpip
