#pragma once
// Automation errors as values. Every call through a dispatch interface returns either its result
// or an Error; no C++ exception ever crosses an interface of this layer.

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace automation {

// The original platform's error numbers that this layer and the controls raise themselves.
inline constexpr std::int32_t kErrInvalidProcedureCall = 5;
inline constexpr std::int32_t kErrOverflow = 6;
inline constexpr std::int32_t kErrOutOfMemory = 7;
inline constexpr std::int32_t kErrSubscriptOutOfRange = 9;
inline constexpr std::int32_t kErrTypeMismatch = 13;
inline constexpr std::int32_t kErrFileNotFound = 53;
inline constexpr std::int32_t kErrInvalidUseOfNull = 94;
inline constexpr std::int32_t kErrInvalidPropertyValue = 380;
inline constexpr std::int32_t kErrPropertyIsReadOnly = 383;
inline constexpr std::int32_t kErrPropertyIsWriteOnly = 394;
inline constexpr std::int32_t kErrCannotCreateObject = 429;
inline constexpr std::int32_t kErrNoSuchMember = 438;
inline constexpr std::int32_t kErrArgumentNotOptional = 449;
inline constexpr std::int32_t kErrWrongArgumentCount = 450;

// The status code of an error raised with a plain number: the automation facility's range.
constexpr std::int32_t ScodeOfNumber(std::int32_t number) {
  return static_cast<std::int32_t>(0x800A0000u | (static_cast<std::uint32_t>(number) & 0xFFFFu));
}

struct Error {
  std::int32_t number = 0;     // the original platform's error number: 13, 9, 380, ...
  std::u16string description;  // the text a script shows
  std::u16string source;       // who raised it ("Quorvane.Winsock", ...)
  std::int32_t scode = 0;      // the status code; ScodeOfNumber(number) unless the raiser says

  friend bool operator==(const Error&, const Error&) = default;
};

// An error with the original platform's standard description for `number` (English, as the original
// platform's run time gives it) when no description is given.
Error MakeError(std::int32_t number, std::u16string description = {}, std::u16string source = {});

// The standard description of a number, empty when the number has none of its own.
std::u16string StandardDescription(std::int32_t number);

// Success or an Error.
//
// The one way to pass a failure on early is AndThen: the next step runs only after a success,
// and a failure comes back unchanged as whatever the next step returns (a Status or a Result).
// It keeps the early return visible in the expression, without a macro:
//
//   return ToI4(value).AndThen([&](std::int32_t port) { return socket.SetRemotePort(port); });
class [[nodiscard]] Status {
 public:
  Status() = default;
  Status(Error error) : error_(std::move(error)) {}  // NOLINT: implicit, so `return MakeError(..)`
  static Status Ok() { return {}; }

  bool ok() const { return !error_.has_value(); }
  explicit operator bool() const { return ok(); }
  const Error& error() const { return *error_; }

  // `next()` after a success; the failure, as next's result type, otherwise.
  template <class F>
  auto AndThen(F&& next) const -> decltype(next()) {
    if (!ok()) return error();
    return next();
  }

 private:
  std::optional<Error> error_;
};

// A value or an Error.
template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}      // NOLINT: implicit
  Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}  // NOLINT: implicit

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }

  T& value() & { return std::get<0>(state_); }
  const T& value() const& { return std::get<0>(state_); }
  T&& value() && { return std::get<0>(std::move(state_)); }
  T& operator*() & { return value(); }
  const T& operator*() const& { return value(); }
  T* operator->() { return &value(); }
  const T* operator->() const { return &value(); }

  const Error& error() const { return std::get<1>(state_); }
  // The failure as a Status (precondition: !ok()), or success.
  Status status() const { return ok() ? Status::Ok() : Status(error()); }

  // `next(value)` after a success (next returns a Status or a Result); the failure, as next's
  // result type, otherwise.
  template <class F>
  auto AndThen(F&& next) & -> decltype(next(std::declval<T&>())) {
    if (!ok()) return error();
    return next(value());
  }
  template <class F>
  auto AndThen(F&& next) && -> decltype(next(std::declval<T&&>())) {
    if (!ok()) return error();
    return next(std::move(*this).value());
  }
  // Result<U> of `convert(value)` after a success; the failure otherwise.
  template <class F>
  auto Transform(F&& convert) && -> Result<decltype(convert(std::declval<T&&>()))> {
    if (!ok()) return error();
    return convert(std::move(*this).value());
  }

 private:
  std::variant<T, Error> state_;
};

}  // namespace automation
