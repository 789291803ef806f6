#pragma once
// Variant: the automation layer's value, with the original platform's type numbers. It holds Empty,
// Null, a 2- or 4-byte integer, a double, a date, a Boolean, a UTF-16 string, an error code (an
// omitted argument is the error "parameter not found"), an unsigned byte, an object (a dispatch
// reference), a one-dimensional array of unsigned bytes or of Variants with a lower bound, or a
// reference to another Variant (a by-reference argument).
//
// Copies are deep, as the original platform's variant copy: a copied array is a new array; a copied
// object is another reference to the same object; a copied by-reference Variant refers to the
// same target.

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "automation/error.h"
#include "automation/unknown.h"

namespace automation {

class Dispatch;
class Variant;

// The original platform's type numbers.
enum class VarType : std::uint16_t {
  Empty = 0,
  Null = 1,
  I2 = 2,
  I4 = 3,
  R8 = 5,
  Date = 7,
  String = 8,
  Dispatch = 9,
  Error = 10,
  Bool = 11,
  Variant = 12,
  UI1 = 17,
};
inline constexpr std::uint16_t kVtArray = 0x2000;
inline constexpr std::uint16_t kVtByRef = 0x4000;

// The error code an omitted optional argument holds.
inline constexpr std::int32_t kParamNotFound = static_cast<std::int32_t>(0x80020004u);

// A one-dimensional array with a lower bound, of unsigned bytes or of Variants.
class SafeArray {
 public:
  static SafeArray Bytes(std::vector<std::uint8_t> bytes, std::int32_t lowerBound = 0);
  static SafeArray Variants(std::vector<Variant> elements, std::int32_t lowerBound = 0);
  SafeArray(const SafeArray& other);  // deep, as the original platform's array copy
  SafeArray(SafeArray&& other) noexcept;
  SafeArray& operator=(const SafeArray& other);
  SafeArray& operator=(SafeArray&& other) noexcept;
  ~SafeArray();

  VarType ElementType() const { return elementType_; }  // UI1 or Variant
  std::int32_t LowerBound() const { return lowerBound_; }
  // LowerBound() + Count() - 1: -1 for an empty array with lower bound 0.
  std::int32_t UpperBound() const;
  std::size_t Count() const;

  // The element at `index` as a Variant; error 9 outside the bounds.
  Result<Variant> Get(std::int32_t index) const;
  // Stores `value` at `index`, coerced to the element type; error 9 outside the bounds.
  Status Put(std::int32_t index, const Variant& value);

  // Direct access; precondition: the element type matches.
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  std::vector<std::uint8_t>& bytes() { return bytes_; }
  const std::vector<Variant>& variants() const;
  std::vector<Variant>& variants();

  friend bool operator==(const SafeArray& a, const SafeArray& b);

 private:
  SafeArray(VarType elementType, std::int32_t lowerBound);
  VarType elementType_;
  std::int32_t lowerBound_;
  std::vector<std::uint8_t> bytes_;
  std::unique_ptr<std::vector<Variant>> variants_;
};

class Variant {
 public:
  Variant() = default;  // Empty
  Variant(const Variant& other);
  Variant(Variant&& other) noexcept = default;
  Variant& operator=(const Variant& other);
  Variant& operator=(Variant&& other) noexcept = default;
  ~Variant();

  static Variant Null();
  static Variant I2(std::int16_t value);
  static Variant I4(std::int32_t value);
  static Variant R8(double value);
  // A date as the platform keeps it: days since 30 December 1899, local time, the fraction
  // being the time of day (negative days count back, the fraction still forward).
  static Variant Date(double days);
  static Variant Bool(bool value);
  static Variant UI1(std::uint8_t value);
  static Variant String(std::u16string value);
  static Variant ErrorCode(std::int32_t scode);
  // An omitted optional argument: the error code kParamNotFound.
  static Variant Missing() { return ErrorCode(kParamNotFound); }
  static Variant Object(Ref<Dispatch> object);
  static Variant Array(SafeArray array);
  static Variant Bytes(std::vector<std::uint8_t> bytes, std::int32_t lowerBound = 0);
  // A by-reference argument: reads and writes go to `target`, which must outlive this Variant.
  static Variant ByRef(Variant& target);

  // The original platform's type number: the base type, with kVtArray for arrays (element type UI1
  // or Variant) and kVtByRef|Variant for a reference.
  std::uint16_t Vt() const;
  VarType Type() const;  // the base type; Variant for a reference

  bool IsEmpty() const { return Type() == VarType::Empty && !IsArray(); }
  bool IsNull() const { return Type() == VarType::Null; }
  bool IsArray() const { return std::holds_alternative<ArrayBox>(value_); }
  bool IsByRef() const { return std::holds_alternative<Variant*>(value_); }
  bool IsErrorCode() const { return Type() == VarType::Error; }
  // An omitted optional argument: any error value counts as omitted.
  bool IsMissing() const { return Deref().IsErrorCode(); }

  // The value itself; precondition: the type matches (Deref() first for a reference).
  std::int16_t AsI2() const { return std::get<std::int16_t>(value_); }
  std::int32_t AsI4() const { return std::get<I4Value>(value_).value; }
  double AsR8() const { return std::get<double>(value_); }
  double AsDate() const { return std::get<DateValue>(value_).days; }
  bool AsBool() const { return std::get<bool>(value_); }
  std::uint8_t AsUI1() const { return std::get<std::uint8_t>(value_); }
  const std::u16string& AsString() const { return std::get<std::u16string>(value_); }
  std::int32_t AsErrorCode() const { return std::get<ErrorValue>(value_).scode; }
  Dispatch* AsObject() const;  // may be null (Nothing)
  const SafeArray& AsArray() const { return *std::get<ArrayBox>(value_).array; }
  SafeArray& AsArray() { return *std::get<ArrayBox>(value_).array; }

  // The Variant a reference points at (through any chain), or this one.
  const Variant& Deref() const;
  Variant& Deref();

  // A copy of the value with every reference followed: what a by-value argument receives.
  Variant Value() const { return Deref(); }

  friend bool operator==(const Variant& a, const Variant& b);

 private:
  struct NullValue {
    friend bool operator==(NullValue, NullValue) { return true; }
  };
  struct I4Value {
    std::int32_t value;
    friend bool operator==(I4Value, I4Value) = default;
  };
  struct DateValue {
    double days;
    friend bool operator==(DateValue, DateValue) = default;
  };
  struct ErrorValue {
    std::int32_t scode;
    friend bool operator==(ErrorValue, ErrorValue) = default;
  };
  struct ObjectValue {
    Ref<Dispatch> object;
    ObjectValue(Ref<Dispatch> o);
    ObjectValue(const ObjectValue& other);
    ObjectValue& operator=(const ObjectValue& other);
    ~ObjectValue();
    friend bool operator==(const ObjectValue& a, const ObjectValue& b) {
      return a.object.get() == b.object.get();
    }
  };
  struct ArrayBox {
    std::unique_ptr<SafeArray> array;
    explicit ArrayBox(SafeArray a);
    ArrayBox(const ArrayBox& other);
    ArrayBox(ArrayBox&&) noexcept = default;
    ArrayBox& operator=(const ArrayBox& other);
    ArrayBox& operator=(ArrayBox&&) noexcept = default;
    ~ArrayBox();
    friend bool operator==(const ArrayBox& a, const ArrayBox& b) { return *a.array == *b.array; }
  };
  using Storage =
      std::variant<std::monostate, NullValue, std::int16_t, I4Value, double, bool, std::uint8_t,
                   std::u16string, ErrorValue, ObjectValue, ArrayBox, Variant*, DateValue>;
  Storage value_;
};

}  // namespace automation
