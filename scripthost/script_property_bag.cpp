#include "scripthost/script_property_bag.h"

#include "automation/text.h"

namespace scripthost {

namespace automation = automation;

automation::Result<automation::Variant> ScriptPropertyBag::Read(
    std::u16string_view name, const automation::Variant& defaultValue) {
  for (const auto& [key, value] : entries_) {
    if (automation::SameNameIgnoringCase(key, name)) return value;
  }
  return defaultValue;
}

automation::Status ScriptPropertyBag::Write(std::u16string_view name,
                                            const automation::Variant& value) {
  for (auto& [key, stored] : entries_) {
    if (automation::SameNameIgnoringCase(key, name)) {
      stored = value.Value();
      return automation::Status::Ok();
    }
  }
  entries_.emplace_back(std::u16string(name), value.Value());
  return automation::Status::Ok();
}

}  // namespace scripthost
