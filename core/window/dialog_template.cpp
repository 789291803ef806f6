#include "core/window/dialog_template.h"

#include "core/build_info.h"
#include "platform/cp932.h"

namespace core {

ControlTemplate MakeControl(int id, ControlKind kind, const char* utf8Text, DialogUnits place,
                            bool groupStart) {
  return {id, kind, platform::Cp932(utf8Text), place, groupStart, {}};
}

ControlTemplate MakeList(int id, ControlKind kind, DialogUnits place,
                         std::initializer_list<const char*> utf8Entries) {
  ControlTemplate control{id, kind, {}, place, false, {}};
  for (const char* entry : utf8Entries) control.entries.push_back(platform::Cp932(entry));
  return control;
}

const ControlTemplate* FindControl(const DialogTemplate& dialog, int id) {
  for (const ControlTemplate& control : dialog.controls) {
    if (control.id == id) return &control;
  }
  return nullptr;
}

DialogTemplate AboutDialog(const std::string& programName) {
  DialogTemplate dialog;
  dialog.title = programName + platform::Cp932("のﾊﾞｰｼﾞｮﾝ情報");
  dialog.width = 235;
  dialog.height = 55;
  dialog.controls = {
      MakeControl(0, ControlKind::Icon, "", {11, 17, 20, 20}),
      {0, ControlKind::Label, programName + " Version " + kKitVersion, {40, 10, 119, 8}, false, {}},
      MakeControl(ids::kOk, ControlKind::PushButton, "OK", {178, 7, 50, 14}, true),
  };
  return dialog;
}

}  // namespace core
