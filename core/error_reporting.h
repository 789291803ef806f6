#pragma once
// The tools' one error box, the system's text for the last failure, and the save-as dialog, behind
// one seam: the window shows the real modal boxes, tests answer them without blocking.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// The system's message text for the calling thread's last error, in CP932, without a line break.
// A code the system has no description for reads as the system's "unknown error" text with the
// number, so the box always says which failure it was.
std::string SystemErrorText();

// One entry of a file dialog's filter: the text the user sees and the name pattern it selects.
struct FileFilterEntry {
  std::string description;  // CP932, "ログファイル(*.log)"
  std::string pattern;      // "*.log"; several patterns are separated by ';'
};

// Splits a filter written as "text|pattern|text|pattern||" into its entries. An entry without a
// pattern is left out.
std::vector<FileFilterEntry> SplitFileFilter(std::string_view filter);

// What the save-as dialog of "LOG保存" asks for. The defaults are that button's.
struct SaveFileRequest {
  std::string defaultName;       // native, "trace.log"
  std::string defaultExtension;  // added when the user types a name without one, "log"
  std::string filter;            // CP932, in the "text|pattern|...||" form
  bool overwritePrompt = true;   // ask before an existing file is replaced
  bool hideReadOnly = true;      // no read-only check box

  static SaveFileRequest TrafficLog();
};

class UserDialogs {
 public:
  virtual ~UserDialogs() = default;

  // Shows the modal error box (stop icon, one OK button) and waits for OK. Without a text the
  // box shows SystemErrorText() as it stands now, so nothing may call the system between the
  // failure and this call.
  void ShowErrorBox(std::string_view caption, std::optional<std::string_view> text = std::nullopt);

  // The modal save-as dialog: the chosen native path, or nothing when the user cancels.
  virtual std::optional<std::string> AskSaveFileName(const SaveFileRequest& request) = 0;

 protected:
  // Shows a modal stop box with the given CP932 caption and text and returns after OK. The
  // platform's box runs its own message loop, so handlers may run while it waits.
  virtual void ShowStopBox(std::string_view caption, std::string_view text) = 0;
};

}  // namespace core
