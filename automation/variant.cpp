#include "automation/variant.h"

#include "automation/coercion.h"
#include "automation/dispatch.h"

namespace automation {

// ---- SafeArray

SafeArray::SafeArray(VarType elementType, std::int32_t lowerBound)
    : elementType_(elementType), lowerBound_(lowerBound) {
  if (elementType_ == VarType::Variant) variants_ = std::make_unique<std::vector<Variant>>();
}

SafeArray SafeArray::Bytes(std::vector<std::uint8_t> bytes, std::int32_t lowerBound) {
  SafeArray array(VarType::UI1, lowerBound);
  array.bytes_ = std::move(bytes);
  return array;
}

SafeArray SafeArray::Variants(std::vector<Variant> elements, std::int32_t lowerBound) {
  SafeArray array(VarType::Variant, lowerBound);
  *array.variants_ = std::move(elements);
  return array;
}

SafeArray::SafeArray(const SafeArray& other)
    : elementType_(other.elementType_), lowerBound_(other.lowerBound_), bytes_(other.bytes_) {
  if (other.variants_) variants_ = std::make_unique<std::vector<Variant>>(*other.variants_);
}
SafeArray::SafeArray(SafeArray&& other) noexcept = default;
SafeArray& SafeArray::operator=(const SafeArray& other) {
  if (this != &other) *this = SafeArray(other);
  return *this;
}
SafeArray& SafeArray::operator=(SafeArray&& other) noexcept = default;
SafeArray::~SafeArray() = default;

std::size_t SafeArray::Count() const {
  return elementType_ == VarType::UI1 ? bytes_.size() : variants_->size();
}

std::int32_t SafeArray::UpperBound() const {
  return static_cast<std::int32_t>(static_cast<std::int64_t>(lowerBound_) +
                                   static_cast<std::int64_t>(Count()) - 1);
}

const std::vector<Variant>& SafeArray::variants() const {
  return *variants_;
}
std::vector<Variant>& SafeArray::variants() {
  return *variants_;
}

Result<Variant> SafeArray::Get(std::int32_t index) const {
  std::int64_t offset = static_cast<std::int64_t>(index) - lowerBound_;
  if (offset < 0 || offset >= static_cast<std::int64_t>(Count())) {
    return MakeError(kErrSubscriptOutOfRange);
  }
  auto at = static_cast<std::size_t>(offset);
  if (elementType_ == VarType::UI1) return Variant::UI1(bytes_[at]);
  return (*variants_)[at];
}

Status SafeArray::Put(std::int32_t index, const Variant& value) {
  std::int64_t offset = static_cast<std::int64_t>(index) - lowerBound_;
  if (offset < 0 || offset >= static_cast<std::int64_t>(Count())) {
    return MakeError(kErrSubscriptOutOfRange);
  }
  auto at = static_cast<std::size_t>(offset);
  if (elementType_ == VarType::UI1) {
    auto byte = ToUI1(value);
    if (!byte) return byte.error();
    bytes_[at] = *byte;
  } else {
    (*variants_)[at] = value.Value();
  }
  return Status::Ok();
}

bool operator==(const SafeArray& a, const SafeArray& b) {
  if (a.elementType_ != b.elementType_ || a.lowerBound_ != b.lowerBound_) return false;
  if (a.elementType_ == VarType::UI1) return a.bytes_ == b.bytes_;
  return *a.variants_ == *b.variants_;
}

// ---- Variant storage helpers

Variant::ObjectValue::ObjectValue(Ref<Dispatch> o) : object(std::move(o)) {}
Variant::ObjectValue::ObjectValue(const ObjectValue& other) = default;
Variant::ObjectValue& Variant::ObjectValue::operator=(const ObjectValue& other) = default;
Variant::ObjectValue::~ObjectValue() = default;

Variant::ArrayBox::ArrayBox(SafeArray a) : array(std::make_unique<SafeArray>(std::move(a))) {}
Variant::ArrayBox::ArrayBox(const ArrayBox& other)
    : array(std::make_unique<SafeArray>(*other.array)) {}
Variant::ArrayBox& Variant::ArrayBox::operator=(const ArrayBox& other) {
  if (this != &other) array = std::make_unique<SafeArray>(*other.array);
  return *this;
}
Variant::ArrayBox::~ArrayBox() = default;

// ---- Variant

Variant::Variant(const Variant& other) = default;
Variant& Variant::operator=(const Variant& other) {
  if (this != &other) {
    // Copy first: `other` may live inside this value (an element of an array held here).
    Storage copy = other.value_;
    value_ = std::move(copy);
  }
  return *this;
}
Variant::~Variant() = default;

Variant Variant::Null() {
  Variant v;
  v.value_ = NullValue{};
  return v;
}
Variant Variant::I2(std::int16_t value) {
  Variant v;
  v.value_ = value;
  return v;
}
Variant Variant::I4(std::int32_t value) {
  Variant v;
  v.value_ = I4Value{value};
  return v;
}
Variant Variant::R8(double value) {
  Variant v;
  v.value_ = value;
  return v;
}
Variant Variant::Date(double days) {
  Variant v;
  v.value_ = DateValue{days};
  return v;
}
Variant Variant::Bool(bool value) {
  Variant v;
  v.value_ = value;
  return v;
}
Variant Variant::UI1(std::uint8_t value) {
  Variant v;
  v.value_ = value;
  return v;
}
Variant Variant::String(std::u16string value) {
  Variant v;
  v.value_ = std::move(value);
  return v;
}
Variant Variant::ErrorCode(std::int32_t scode) {
  Variant v;
  v.value_ = ErrorValue{scode};
  return v;
}
Variant Variant::Object(Ref<Dispatch> object) {
  Variant v;
  v.value_.emplace<ObjectValue>(std::move(object));
  return v;
}
Variant Variant::Array(SafeArray array) {
  Variant v;
  v.value_.emplace<ArrayBox>(std::move(array));
  return v;
}
Variant Variant::Bytes(std::vector<std::uint8_t> bytes, std::int32_t lowerBound) {
  return Array(SafeArray::Bytes(std::move(bytes), lowerBound));
}
Variant Variant::ByRef(Variant& target) {
  Variant v;
  v.value_ = &target;
  return v;
}

VarType Variant::Type() const {
  switch (value_.index()) {
    case 0:
      return VarType::Empty;
    case 1:
      return VarType::Null;
    case 2:
      return VarType::I2;
    case 3:
      return VarType::I4;
    case 4:
      return VarType::R8;
    case 5:
      return VarType::Bool;
    case 6:
      return VarType::UI1;
    case 7:
      return VarType::String;
    case 8:
      return VarType::Error;
    case 9:
      return VarType::Dispatch;
    case 10:
      return AsArray().ElementType();
    case 12:
      return VarType::Date;
    default:
      return VarType::Variant;
  }
}

std::uint16_t Variant::Vt() const {
  auto base = static_cast<std::uint16_t>(Type());
  if (IsArray()) return static_cast<std::uint16_t>(kVtArray | base);
  if (IsByRef()) return static_cast<std::uint16_t>(kVtByRef | base);
  return base;
}

Dispatch* Variant::AsObject() const {
  return std::get<ObjectValue>(value_).object.get();
}

const Variant& Variant::Deref() const {
  const Variant* v = this;
  while (v->IsByRef()) v = std::get<Variant*>(v->value_);
  return *v;
}

Variant& Variant::Deref() {
  Variant* v = this;
  while (v->IsByRef()) v = std::get<Variant*>(v->value_);
  return *v;
}

bool operator==(const Variant& a, const Variant& b) {
  return a.value_ == b.value_;
}

}  // namespace automation
