// WScript.Shell: commands handed to /bin/sh -c (window styles accepted and ignored), the
// current folder, the environment, the user's special folders, and Popup on the terminal.

#include <chrono>
#include <thread>

#include "hostobjects/classes.h"
#include "hostobjects/file_errors.h"
#include "hostobjects/shell_parts.h"
#include "hostobjects/windows_path.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/shell_command.h"

namespace hostobjects {
namespace {

namespace id {
constexpr DispId kRun = 1;
constexpr DispId kExec = 2;
constexpr DispId kCurrentDirectory = 3;
constexpr DispId kEnvironment = 4;
constexpr DispId kExpandEnvironmentStrings = 5;
constexpr DispId kSpecialFolders = 6;
constexpr DispId kPopup = 7;
}  // namespace id

// The button a reply picks: Enter the first (the default), else the button whose name starts
// with the reply's first letter. Buttons by the type's low digit, as the original numbers them.
std::int32_t ButtonOf(std::int32_t type, const std::string& reply) {
  struct Button {
    char letter;
    std::int32_t value;
  };
  static const std::vector<Button> kSets[] = {
      {{'o', 1}},                        // OK
      {{'o', 1}, {'c', 2}},              // OK, Cancel
      {{'a', 3}, {'r', 4}, {'i', 5}},    // Abort, Retry, Ignore
      {{'y', 6}, {'n', 7}, {'c', 2}},    // Yes, No, Cancel
      {{'y', 6}, {'n', 7}},              // Yes, No
      {{'r', 4}, {'c', 2}},              // Retry, Cancel
      {{'c', 2}, {'t', 10}, {'c', 11}},  // Cancel, Try Again, Continue
  };
  const std::size_t set = static_cast<std::size_t>(type & 0xF) < std::size(kSets)
                              ? static_cast<std::size_t>(type & 0xF)
                              : 0;
  const std::vector<Button>& buttons = kSets[set];
  std::size_t first = 0;
  while (first < reply.size() && reply[first] == ' ') ++first;
  if (first < reply.size()) {
    char c = reply[first];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    for (const Button& b : buttons) {
      if (b.letter == c) return b.value;
    }
  }
  return buttons.front().value;
}

const char* ButtonNames(std::int32_t type) {
  static const char* kNames[] = {
      "OK",     "OK/Cancel",    "Abort/Retry/Ignore",       "Yes/No/Cancel",
      "Yes/No", "Retry/Cancel", "Cancel/Try again/Continue"};
  const auto set = static_cast<std::size_t>(type & 0xF);
  return set < std::size(kNames) ? kNames[set] : kNames[0];
}

class Shell final : public HostObject {
 public:
  Shell() : HostObject(u"IWshShell3") {
    Method(u"Run", id::kRun, 1, 2, [](Args args) -> Result<Variant> {
      auto command = StringArgument(args, 0);
      if (!command) return command.error();
      if (auto style = IntArgument(args, 1, 1); !style) return style.error();
      auto wait = BoolArgument(args, 2, false);
      if (!wait) return wait.error();
      const int code = platform::RunShellCommand(Native(ExpandEnvironment(*command)), *wait);
      if (code < 0) return FileError(kErrBadArgument);
      return Variant::I4(code);
    });
    Method(u"Exec", id::kExec, 1, 0, [](Args args) -> Result<Variant> {
      auto command = StringArgument(args, 0);
      if (!command) return command.error();
      auto exec = StartExec(Native(ExpandEnvironment(*command)));
      if (!exec) return exec.error();
      return Obj(std::move(exec).value());
    });
    Property(
        u"CurrentDirectory", id::kCurrentDirectory,
        []() -> Result<Variant> {
          auto current = platform::CurrentDirectory();
          if (!current) return FileError(kErrPathNotFound);
          return Str(Script(*current));
        },
        [](const Variant& value) -> Status {
          auto text = automation::ToString(value);
          if (!text) return text.error();
          auto path = ResolvePath(*text);
          if (!path) return path.error();
          if (!platform::ChangeDirectory(path->native)) {
            return SystemFileError(platform::LastError(), Subject::Folder);
          }
          return Status::Ok();
        });
    Indexed(
        u"Environment", id::kEnvironment, 0, 1,
        [](automation::InvokeKind kind, Args args) -> Result<Variant> {
          if (kind == automation::InvokeKind::PropertyPut) {
            return automation::MakeError(automation::kErrPropertyIsReadOnly);
          }
          if (Status s = automation::CheckArgumentCount(args, 0, 1); !s) return s.error();
          std::u16string type = u"SYSTEM";
          if (Given(args, 0) != nullptr) {
            auto given = StringArgument(args, 0);
            if (!given) return given.error();
            type = *given;
          }
          auto environment = MakeEnvironment(type);
          if (!environment) return environment.error();
          return Obj(std::move(environment).value());
        },
        false);
    Method(u"ExpandEnvironmentStrings", id::kExpandEnvironmentStrings, 1, 0,
           [](Args args) -> Result<Variant> {
             auto text = StringArgument(args, 0);
             if (!text) return text.error();
             return Str(ExpandEnvironment(*text));
           });
    Indexed(
        u"SpecialFolders", id::kSpecialFolders, 0, 1,
        [](automation::InvokeKind kind, Args args) -> Result<Variant> {
          if (kind == automation::InvokeKind::PropertyPut) {
            return automation::MakeError(automation::kErrPropertyIsReadOnly);
          }
          if (Status s = automation::CheckArgumentCount(args, 0, 1); !s) return s.error();
          if (Given(args, 0) == nullptr) {
            return Obj(MakeSpecialFolders());
          }
          auto name = StringArgument(args, 0);
          if (!name) return name.error();
          return Str(SpecialFolderPath(*name));
        },
        false);
    Method(u"Popup", id::kPopup, 1, 3, [](Args args) -> Result<Variant> {
      auto text = StringArgument(args, 0);
      if (!text) return text.error();
      auto seconds = IntArgument(args, 1, 0);
      if (!seconds) return seconds.error();
      auto title = StringArgument(args, 2);
      if (!title) return title.error();
      auto type = IntArgument(args, 3, 0);
      if (!type) return type.error();
      return Variant::I4(Popup(*text, *seconds, *title, *type));
    });
    Finish();
  }

 private:
  // The title and text on standard error; on a terminal, a line read as the answer.
  static std::int32_t Popup(const std::u16string& text, std::int32_t seconds,
                            const std::u16string& title, std::int32_t type) {
    std::string shown;
    if (!title.empty()) shown += "[" + Native(title) + "] ";
    shown += Native(text) + "\n";
    const bool terminal = platform::InputIsTerminal();
    if (terminal) {
      const std::string names = ButtonNames(type);
      shown += "(" + names + "; Enter = " + names.substr(0, names.find('/')) + ") ";
    }
    platform::WriteToStandardError(shown);
    if (!terminal) {
      // Nobody can answer: the time runs out (at once when no time is given).
      if (seconds > 0) std::this_thread::sleep_for(std::chrono::seconds(seconds));
      return -1;
    }
    auto reply = platform::ReadInputLine(seconds > 0 ? seconds : 0);
    if (!reply) return -1;
    return ButtonOf(type, *reply);
  }
};

}  // namespace

Ref<automation::Dispatch> CreateShell() {
  return automation::MakeObject<Shell>();
}

}  // namespace hostobjects
