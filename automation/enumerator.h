#pragma once
// Enumeration of a collection, as the platform's languages walk one (an Enumerator, a For Each):
// the collection's member _NewEnum (DISPID -4) returns an enumerator object, which offers the
// EnumVariant interface handing out the items in order.

#include <cstddef>
#include <vector>

#include "automation/dispatch.h"

namespace automation {

inline constexpr DispId kDispIdNewEnum = -4;

class EnumVariant : public Unknown {
 public:
  static constexpr Guid kIid{
      0x6E3B0F47, 0x52C7, 0x4D19, {0x9A, 0x1E, 0x40, 0x7C, 0x2B, 0x93, 0xD5, 0x01}};

  // Up to `count` further items; fewer at the end.
  virtual std::vector<Variant> Next(std::size_t count) = 0;
  // Back to the first item.
  virtual void Reset() = 0;

 protected:
  ~EnumVariant() = default;
};

// An enumerator over the given items (a snapshot taken when the collection was asked), as a
// dispatch object that also offers EnumVariant.
Ref<Dispatch> MakeListEnumerator(std::vector<Variant> items);

// Every item of a collection, through its _NewEnum member and the enumerator's EnumVariant;
// error 438 when the object is no collection.
Result<std::vector<Variant>> EnumerateAll(Dispatch& collection);

}  // namespace automation
