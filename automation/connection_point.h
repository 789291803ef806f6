#pragma once
// Connection points: an object that raises events offers one connection point per event
// interface; a sink (itself a dispatch object) is advised on it and receives each event as a
// method call by the event's DISPID, with the event's arguments in order. By-reference event
// arguments are Variant::ByRef to the raiser's variables, so what a sink writes reaches the
// raiser.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "automation/dispatch.h"

namespace automation {

// Owned by the object that raises the events and alive as long as it.
class ConnectionPoint {
 public:
  virtual const Guid& EventInterface() const = 0;
  // A cookie for Unadvise (never 0).
  virtual Result<std::uint32_t> Advise(Ref<Dispatch> sink) = 0;
  // Error 5 when the cookie is not advised here.
  virtual Status Unadvise(std::uint32_t cookie) = 0;

 protected:
  ~ConnectionPoint() = default;
};

class ConnectionPointContainer : public Unknown {
 public:
  static constexpr Guid kIid{
      0x6E3B0F43, 0x52C7, 0x4D19, {0x9A, 0x1E, 0x40, 0x7C, 0x2B, 0x93, 0xD5, 0x01}};
  // The connection point of event interface `iid`, or nullptr.
  virtual ConnectionPoint* FindConnectionPoint(const Guid& iid) = 0;

 protected:
  ~ConnectionPointContainer() = default;
};

// The connection point of a raiser: the raiser calls Fire for each event.
class EventSource final : public ConnectionPoint {
 public:
  explicit EventSource(const Guid& eventInterface) : iid_(eventInterface) {}

  const Guid& EventInterface() const override { return iid_; }
  Result<std::uint32_t> Advise(Ref<Dispatch> sink) override;
  Status Unadvise(std::uint32_t cookie) override;

  // Calls every advised sink, in the order of advising, with InvokeKind::Method. A sink advised
  // or unadvised during the call takes effect from the next event. Returns the first sink's
  // error, after every sink was called (the raiser decides whether that matters).
  Status Fire(DispId event, std::span<Variant> args);

 private:
  struct Sink {
    std::uint32_t cookie;
    Ref<Dispatch> sink;
  };
  Guid iid_;
  std::vector<Sink> sinks_;
  std::uint32_t nextCookie_ = 1;
};

// Events delivered to one function: (DISPID, arguments). The usual sink of a host or of a
// control listening to its inner control.
using EventHandler = std::function<Status(DispId event, std::span<Variant> args)>;
Ref<Dispatch> MakeEventSink(EventHandler handler, const InterfaceInfo* eventInterface = nullptr);

// Advises `sink` on `object`'s connection point for `eventInterface`, and unadvises it again
// when destroyed (move-only).
class Advisory {
 public:
  Advisory() = default;
  static Result<Advisory> Connect(Dispatch& object, const Guid& eventInterface, Ref<Dispatch> sink);
  Advisory(Advisory&& other) noexcept;
  Advisory& operator=(Advisory&& other) noexcept;
  ~Advisory();
  void Disconnect();

 private:
  Ref<ConnectionPointContainer> container_;
  ConnectionPoint* point_ = nullptr;
  std::uint32_t cookie_ = 0;
};

}  // namespace automation
