#include "pagehost/param_bag.h"

#include "automation/coercion.h"
#include "automation/text.h"

namespace pagehost {

automation::Result<automation::Variant> ParamBag::Read(std::u16string_view name,
                                                       const automation::Variant& defaultValue) {
  for (const auto& [key, text] : params_) {
    if (!automation::SameNameIgnoringCase(key, name)) continue;
    automation::Variant value = automation::Variant::String(text);
    const automation::VarType wanted = defaultValue.Deref().Type();
    if (wanted == automation::VarType::Empty || wanted == automation::VarType::String ||
        defaultValue.Deref().IsArray()) {
      return value;
    }
    return automation::ChangeType(value, wanted);
  }
  return defaultValue;
}

automation::Status ParamBag::Write(std::u16string_view, const automation::Variant&) {
  return automation::Status::Ok();
}

}  // namespace pagehost
