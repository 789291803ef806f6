#pragma once
// The property bag an object tag hands its control: the element's <param name value> children,
// every value a string as the page wrote it. A read converts the string to the type of the
// control's default, as the original's bag did for a control that asked for a type, so that
// `<param name="RemotePort" value="5000">` loads a number; a value that does not convert is the
// conversion's error, which fails the load.

#include <string>
#include <utility>
#include <vector>

#include "automation/property_bag.h"

namespace pagehost {

class ParamBag final : public automation::PropertyBag {
 public:
  explicit ParamBag(std::vector<std::pair<std::u16string, std::u16string>> params)
      : params_(std::move(params)) {}

  automation::Result<automation::Variant> Read(std::u16string_view name,
                                               const automation::Variant& defaultValue) override;
  // A page's bag is only read.
  automation::Status Write(std::u16string_view name, const automation::Variant& value) override;

 private:
  std::vector<std::pair<std::u16string, std::u16string>> params_;
};

}  // namespace pagehost
