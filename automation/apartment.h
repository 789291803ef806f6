#pragma once
// The apartment: a control and everything inside it live on the thread that created them, and
// their sockets and ports are driven by that thread's readiness loop. The library links no
// toolkit: a host hands each library module the readiness loop of its thread (its own loop bound
// to its toolkit, or a platform::PollReadinessLoop that it pumps), or lets the module make a poll
// loop of its own for the thread and pumps that one through Apartment::Pump.
//
// Every class object of a library module also offers the Apartment interface; the loader binds
// the host's loop through it before it creates the first object on a thread.

#include <chrono>

#include "automation/unknown.h"
#include "platform/readiness.h"

namespace automation {

class Apartment : public Unknown {
 public:
  static constexpr Guid kIid{
      0x6E3B0F46, 0x52C7, 0x4D19, {0x9A, 0x1E, 0x40, 0x7C, 0x2B, 0x93, 0xD5, 0x01}};
  // Binds `loop` (owned by the host, alive until unbound) to the calling thread for the objects
  // that the module creates on it from now on; nullptr unbinds it (objects then use the module's
  // own loop).
  virtual void BindLoop(platform::ReadinessLoop* loop) = 0;
  // Unbinds `loop` from the calling thread if it is the one bound (a host whose loop goes away).
  // Objects made before keep the loop they were made with.
  virtual void UnbindLoop(platform::ReadinessLoop* loop) = 0;
  // Runs the module's own loop of the calling thread once: waits up to `timeout` for readiness
  // and runs what is ready. Returns the callbacks run. Does nothing when a host loop is bound.
  virtual int Pump(std::chrono::milliseconds timeout) = 0;

 protected:
  ~Apartment() = default;
};

// Inside a module: the readiness loop of the calling thread, the bound one or else the module's
// own poll loop for this thread (made on first use). Components take it when they are created.
platform::ReadinessLoop& CurrentReadinessLoop();

// The Apartment implementation of this module (one per module, for every thread); class objects
// return it from QueryInterface(Apartment::kIid).
Apartment& ModuleApartment();

}  // namespace automation
