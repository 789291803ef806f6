#pragma once
// The property bag behind Host.CreateObject and Host.SaveProperties: names kept as the script or
// the control wrote them, in that order, and found without regard to case.

#include <string>
#include <utility>
#include <vector>

#include "automation/property_bag.h"

namespace scripthost {

class ScriptPropertyBag final : public automation::PropertyBag {
 public:
  automation::Result<automation::Variant> Read(std::u16string_view name,
                                               const automation::Variant& defaultValue) override;
  automation::Status Write(std::u16string_view name, const automation::Variant& value) override;

  const std::vector<std::pair<std::u16string, automation::Variant>>& entries() const {
    return entries_;
  }

 private:
  std::vector<std::pair<std::u16string, automation::Variant>> entries_;
};

}  // namespace scripthost
