#pragma once
// The one re-entrancy rule of both components: an event handler may drop the last reference to
// the component's object, even while the component is inside its own loop callback. The object
// that owns a component gives it a hold; every loop callback of the component takes the hold
// first, so the owner (and the component in it) lives until the callback has unwound, and is
// destroyed only after the component's own code is done with it.

#include <functional>
#include <memory>

namespace components {

// Returns something that keeps the owner alive as long as it is held (nullptr: no owner).
using OwnerHold = std::function<std::shared_ptr<void>()>;

// What a component keeps: the hold its owner gave, taken at the start of each loop callback.
class OwnerHolder {
 public:
  void Set(OwnerHold hold) { hold_ = std::move(hold); }
  [[nodiscard]] std::shared_ptr<void> Take() const { return hold_ ? hold_() : nullptr; }

 private:
  OwnerHold hold_;
};

}  // namespace components
