#include "scripthost/poll_event_pump.h"

namespace scripthost {

PollEventPump::PollEventPump(platform::PollReadinessLoop& loop) : loop_(loop) {
  if (wake_.IsValid()) {
    watch_ = loop_.WatchReadable(wake_.Descriptor(), [this] { wake_.Consume(); });
    watch_->SetEnabled(true);
  }
}

PollEventPump::~PollEventPump() = default;

void PollEventPump::PumpOnce(std::chrono::milliseconds timeout) {
  loop_.RunOnce(timeout);
}

}  // namespace scripthost
