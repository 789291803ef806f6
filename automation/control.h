#pragma once
// What a host drives on a control beside its dispatch interface: its site (the container's
// change notification), initialisation, loading and saving its properties through a property
// bag, and its size.

#include <cstdint>
#include <string_view>

#include "automation/error.h"
#include "automation/property_bag.h"
#include "automation/unknown.h"

namespace automation {

// The container's side, kept alive by the host for as long as it is set on a control.
class ControlSite {
 public:
  // A persisted property, named as in the property bag, was changed through the control.
  virtual void OnPropertyChanged(std::u16string_view name) = 0;

 protected:
  ~ControlSite() = default;
};

// A size in twips (1/1440 inch).
struct Extent {
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const Extent&, const Extent&) = default;
};

class Control : public Unknown {
 public:
  static constexpr Guid kIid{
      0x6E3B0F44, 0x52C7, 0x4D19, {0x9A, 0x1E, 0x40, 0x7C, 0x2B, 0x93, 0xD5, 0x01}};

  // nullptr detaches the site.
  virtual void SetSite(ControlSite* site) = 0;
  // A new control that is not loaded from a bag.
  virtual Status InitNew() = 0;
  virtual Status Load(PropertyBag& bag) = 0;
  virtual Status Save(PropertyBag& bag) = 0;
  // The host resizes the control; the control may keep a size of its own.
  virtual void SetExtent(Extent extent) = 0;
  virtual Extent GetExtent() const = 0;

 protected:
  ~Control() = default;
};

}  // namespace automation
