#pragma once
// The event record that a control queues for scripts: 10 elements, index 0 the event's name,
// the arguments at fixed positions (received bytes always in element 9), everything else Empty.

#include <array>
#include <string>

#include "automation/variant.h"

namespace controls {

inline constexpr std::size_t kEventRecordSize = 10;
inline constexpr std::size_t kRecordEventName = 0;
inline constexpr std::size_t kRecordCommEvent = 8;
inline constexpr std::size_t kRecordData = 9;

using EventRecord = std::array<automation::Variant, kEventRecordSize>;

// A record with the name in element 0 and every other element Empty.
inline EventRecord NewEventRecord(std::u16string name) {
  EventRecord record;
  record[kRecordEventName] = automation::Variant::String(std::move(name));
  return record;
}

// The record as a script receives it: an array of 10 Variants, lower bound 0.
automation::Variant RecordAsArray(EventRecord record);

}  // namespace controls
