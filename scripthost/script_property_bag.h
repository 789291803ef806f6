#pragma once
// The property bag behind Host.CreateObject and Host.SaveProperties: names kept as the script or
// the control wrote them, in that order, and found without regard to case.

#include <string>
#include <utility>
#include <vector>

#include "platform/automation/property_bag.h"

namespace scripthost {

class ScriptPropertyBag final : public platform::automation::PropertyBag {
 public:
  platform::automation::Result<platform::automation::Variant> Read(
      std::u16string_view name, const platform::automation::Variant& defaultValue) override;
  platform::automation::Status Write(std::u16string_view name,
                                     const platform::automation::Variant& value) override;

  const std::vector<std::pair<std::u16string, platform::automation::Variant>>& entries() const {
    return entries_;
  }

 private:
  std::vector<std::pair<std::u16string, platform::automation::Variant>> entries_;
};

}  // namespace scripthost
