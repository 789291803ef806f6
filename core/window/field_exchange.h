#pragma once
// The dialog data exchange: the window's fields bound to its controls by dialog id. Every handler
// takes the controls into the fields when it starts and pushes the fields back at the end of its
// normal path, so it always works with what the user sees.

#include <functional>
#include <span>
#include <string>
#include <vector>

class QWidget;

namespace core {

class BuiltDialog;

class FieldExchange {
 public:
  // An edit box's text, or the edit text of an editable drop-down list (CP932).
  void BindText(int id, std::string& field);
  // A check box's state.
  void BindCheck(int id, bool& field);
  // The selected position of a drop-down list, -1 when none is selected.
  void BindSelection(int id, int& field);
  // Two radio buttons of one group: true while the first is checked.
  void BindRadioPair(int firstId, int secondId, bool& firstChecked);

  void ControlsToFields(const BuiltDialog& dialog) const;
  void FieldsToControls(const BuiltDialog& dialog) const;

  // The same for the bindings of the listed controls only (a radio pair by either of its ids),
  // for a handler that runs very often and uses or changes only a few fields.
  void ControlsToFields(const BuiltDialog& dialog, std::span<const int> ids) const;
  void FieldsToControls(const BuiltDialog& dialog, std::span<const int> ids) const;

 private:
  enum class Kind { Text, Check, Selection, RadioPair };
  struct Binding {
    Kind kind;
    int id = 0;
    int secondId = 0;
    std::string* text = nullptr;
    bool* flag = nullptr;
    int* number = nullptr;
  };
  static bool Listed(const Binding& binding, std::span<const int> ids);
  static void TakeIn(const BuiltDialog& dialog, const Binding& binding);
  static void PushOut(const BuiltDialog& dialog, const Binding& binding);
  std::vector<Binding> bindings_;
};

}  // namespace core
