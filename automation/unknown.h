#pragma once
// Reference-counted objects with interfaces found by identifier, the base of every object that
// crosses between a host and a library module. An object may implement several interfaces; each
// interface derives from Unknown, and the object overrides the three members once for all.
//
// Interfaces are plain abstract classes with a `static constexpr Guid kIid`. A reference is held
// through Ref<T>; objects are made with MakeObject<T>(...) and free themselves when the last
// reference goes.

#include <atomic>
#include <cstdint>
#include <tuple>
#include <type_traits>
#include <utility>

#include "automation/guid.h"

namespace automation {

class Unknown {
 public:
  static constexpr Guid kIid{
      0x6E3B0F41, 0x52C7, 0x4D19, {0x9A, 0x1E, 0x40, 0x7C, 0x2B, 0x93, 0xD5, 0x01}};

  // The object's interface `iid` with one reference added for the caller, or nullptr.
  virtual void* QueryInterface(const Guid& iid) = 0;
  virtual std::uint32_t AddRef() = 0;
  virtual std::uint32_t Release() = 0;

 protected:
  ~Unknown() = default;
};

// An owning reference to an interface of an object.
template <class T>
class Ref {
 public:
  Ref() = default;
  Ref(std::nullptr_t) {}  // NOLINT: implicit, like a null pointer
  // Takes an additional reference to `p`.
  explicit Ref(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  // Takes over a reference the caller already holds (QueryInterface, a factory).
  static Ref Adopt(T* p) {
    Ref r;
    r.p_ = p;
    return r;
  }
  Ref(const Ref& other) : Ref(other.p_) {}
  Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  Ref(const Ref<U>& other) : Ref(static_cast<T*>(other.get())) {}  // NOLINT: implicit upcast
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  Ref(Ref<U>&& other) noexcept : p_(other.Detach()) {}  // NOLINT: implicit upcast
  Ref& operator=(Ref other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~Ref() {
    if (p_) p_->Release();
  }

  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // Gives up the reference without releasing it.
  T* Detach() { return std::exchange(p_, nullptr); }
  void Reset() { Ref().swap(*this); }
  void swap(Ref& other) noexcept { std::swap(p_, other.p_); }

  friend bool operator==(const Ref& a, const Ref& b) { return a.p_ == b.p_; }

 private:
  T* p_ = nullptr;
};

// Interface T of any object, or a null Ref.
template <class T, class U>
Ref<T> QueryInterface(U* object) {
  if (!object) return nullptr;
  return Ref<T>::Adopt(static_cast<T*>(object->QueryInterface(T::kIid)));
}
template <class T, class U>
Ref<T> QueryInterface(const Ref<U>& object) {
  return QueryInterface<T>(object.get());
}

// Objects alive in this module (the library module and the host each count their own); a
// library may be unloaded when it reaches 0.
std::int64_t LiveObjects();

namespace detail {
void CountObject(int delta);
}

// The reference count and QueryInterface for an object that implements Interfaces... . The
// objects of one apartment are used by one thread; the count is atomic all the same, so that a
// reference may be dropped from anywhere.
template <class... Interfaces>
class Object : public Interfaces... {
 public:
  Object() { detail::CountObject(1); }
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  void* QueryInterface(const Guid& iid) override {
    void* found = nullptr;
    if (iid == Unknown::kIid) {
      found = static_cast<Unknown*>(static_cast<FirstInterface*>(this));
    } else {
      ((found == nullptr && iid == Interfaces::kIid ? (found = static_cast<Interfaces*>(this))
                                                    : nullptr),
       ...);
    }
    if (found == nullptr) return QueryExtraInterface(iid);
    AddRef();
    return found;
  }
  std::uint32_t AddRef() override { return ++references_; }
  std::uint32_t Release() override {
    std::uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~Object() { detail::CountObject(-1); }
  // Interfaces beyond the listed ones, with a reference added to whatever owns the interface
  // returned (AddRef() for an interface of this object).
  virtual void* QueryExtraInterface(const Guid&) { return nullptr; }

 private:
  using FirstInterface = std::tuple_element_t<0, std::tuple<Interfaces...>>;
  std::atomic<std::uint32_t> references_{0};
};

// A new object with the one reference the caller holds.
template <class T, class... Args>
Ref<T> MakeObject(Args&&... args) {
  return Ref<T>(new T(std::forward<Args>(args)...));  // NOLINT: the object frees itself
}

}  // namespace automation
