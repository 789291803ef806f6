#include "automation/connection_point.h"

#include <algorithm>

namespace automation {

Result<std::uint32_t> EventSource::Advise(Ref<Dispatch> sink) {
  if (!sink) return MakeError(kErrInvalidProcedureCall);
  std::uint32_t cookie = nextCookie_++;
  if (nextCookie_ == 0) nextCookie_ = 1;
  sinks_.push_back({cookie, std::move(sink)});
  return cookie;
}

Status EventSource::Unadvise(std::uint32_t cookie) {
  auto found = std::find_if(sinks_.begin(), sinks_.end(),
                            [cookie](const Sink& s) { return s.cookie == cookie; });
  if (found == sinks_.end()) return MakeError(kErrInvalidProcedureCall);
  sinks_.erase(found);
  return Status::Ok();
}

Status EventSource::Fire(DispId event, std::span<Variant> args) {
  // A copy, so that a sink may unadvise itself (or another) while it handles the event; each
  // copied reference keeps its sink alive until the call returns.
  std::vector<Sink> sinks = sinks_;
  Status first;
  for (Sink& s : sinks) {
    auto result = s.sink->Invoke(event, InvokeKind::Method, args);
    if (!result && first.ok()) first = result.error();
  }
  return first;
}

namespace {

class EventSink final : public Object<Dispatch> {
 public:
  EventSink(EventHandler handler, const InterfaceInfo* info)
      : handler_(std::move(handler)), info_(info) {}

  Result<DispId> GetIdOfName(std::u16string_view name) override {
    if (info_) {
      if (const MemberInfo* member = FindMember(*info_, name)) return member->dispId;
    }
    return MakeError(kErrNoSuchMember);
  }
  Result<Variant> Invoke(DispId id, InvokeKind kind, std::span<Variant> args) override {
    if (kind != InvokeKind::Method) return MakeError(kErrNoSuchMember);
    Status status = handler_(id, args);
    if (!status) return status.error();
    return Variant();
  }
  const InterfaceInfo* TypeInfo() override { return info_; }

 private:
  EventHandler handler_;
  const InterfaceInfo* info_;
};

}  // namespace

Ref<Dispatch> MakeEventSink(EventHandler handler, const InterfaceInfo* eventInterface) {
  return MakeObject<EventSink>(std::move(handler), eventInterface);
}

Result<Advisory> Advisory::Connect(Dispatch& object, const Guid& eventInterface,
                                   Ref<Dispatch> sink) {
  auto container = QueryInterface<ConnectionPointContainer>(&object);
  if (!container) return MakeError(kErrNoSuchMember, u"The object raises no events");
  ConnectionPoint* point = container->FindConnectionPoint(eventInterface);
  if (!point) return MakeError(kErrNoSuchMember, u"The object has no such event interface");
  auto cookie = point->Advise(std::move(sink));
  if (!cookie) return cookie.error();
  Advisory advisory;
  advisory.container_ = std::move(container);
  advisory.point_ = point;
  advisory.cookie_ = *cookie;
  return advisory;
}

Advisory::Advisory(Advisory&& other) noexcept
    : container_(std::move(other.container_)),
      point_(std::exchange(other.point_, nullptr)),
      cookie_(std::exchange(other.cookie_, 0)) {}

Advisory& Advisory::operator=(Advisory&& other) noexcept {
  if (this != &other) {
    Disconnect();
    container_ = std::move(other.container_);
    point_ = std::exchange(other.point_, nullptr);
    cookie_ = std::exchange(other.cookie_, 0);
  }
  return *this;
}

Advisory::~Advisory() {
  Disconnect();
}

void Advisory::Disconnect() {
  if (cookie_ != 0 && point_) (void)point_->Unadvise(cookie_);
  cookie_ = 0;
  point_ = nullptr;
  container_.Reset();
}

}  // namespace automation
