#pragma once
// An event pump over a poll loop of the platform layer, with a wake-up descriptor in it so that
// Quit and the timeout end a long Sleep at once.

#include "platform/readiness.h"
#include "platform/wake_event.h"
#include "scripthost/event_pump.h"

namespace scripthost {

class PollEventPump final : public EventPump {
 public:
  explicit PollEventPump(platform::PollReadinessLoop& loop);
  ~PollEventPump() override;
  void PumpOnce(std::chrono::milliseconds timeout) override;
  void Wake() override { wake_.Signal(); }

 private:
  platform::PollReadinessLoop& loop_;
  platform::WakeEvent wake_;
  std::unique_ptr<platform::ReadinessWatch> watch_;
};

}  // namespace scripthost
