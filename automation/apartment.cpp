#include "automation/apartment.h"

#include <memory>

namespace automation {
namespace {

// The readiness loops of this module's apartments: each thread's bound loop, or the module's own
// loop for that thread.
thread_local platform::ReadinessLoop* boundLoop = nullptr;
thread_local std::unique_ptr<platform::PollReadinessLoop> ownLoop;

platform::PollReadinessLoop& OwnLoop() {
  if (!ownLoop) ownLoop = std::make_unique<platform::PollReadinessLoop>();
  return *ownLoop;
}

class ModuleApartmentImpl final : public Apartment {
 public:
  void* QueryInterface(const Guid& iid) override {
    if (iid == Apartment::kIid || iid == Unknown::kIid) return static_cast<Apartment*>(this);
    return nullptr;
  }
  // The apartment lives as long as the module: references are not counted.
  std::uint32_t AddRef() override { return 1; }
  std::uint32_t Release() override { return 1; }

  void BindLoop(platform::ReadinessLoop* loop) override {
    // A module that hands its own loop on (a control creating its inner control from the same
    // module) changes nothing.
    boundLoop = loop == ownLoop.get() ? nullptr : loop;
  }
  void UnbindLoop(platform::ReadinessLoop* loop) override {
    if (boundLoop == loop) boundLoop = nullptr;
  }
  int Pump(std::chrono::milliseconds timeout) override {
    if (boundLoop) return 0;
    return OwnLoop().RunOnce(timeout);
  }
};

}  // namespace

platform::ReadinessLoop& CurrentReadinessLoop() {
  if (boundLoop) return *boundLoop;
  return OwnLoop();
}

Apartment& ModuleApartment() {
  static ModuleApartmentImpl apartment;
  return apartment;
}

}  // namespace automation
