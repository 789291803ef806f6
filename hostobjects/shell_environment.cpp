// The environment collection of WScript.Shell: the process environment by name, as
// "NAME=value" entries for Enumerator.

#include "automation/enumerator.h"
#include "hostobjects/file_errors.h"
#include "hostobjects/shell_parts.h"
#include "platform/environment.h"

namespace hostobjects {
namespace {

constexpr DispId kItem = 0;
constexpr DispId kCount = 1;
constexpr DispId kLength = 2;
constexpr DispId kRemove = 3;

// The variable's name as set: as written, else the one set name that differs only in case.
std::string SetName(const std::string& name) {
  if (platform::EnvironmentValue(name)) return name;
  for (const auto& [set, value] : platform::EnvironmentEntries()) {
    if (automation::SameNameIgnoringCase(Script(set), Script(name))) return set;
  }
  return name;
}

class Environment final : public HostObject {
 public:
  Environment() : HostObject(u"IWshEnvironment") {
    Indexed(
        u"Item", kItem, 1, 0,
        [](automation::InvokeKind kind, Args args) -> Result<Variant> {
          if (kind == automation::InvokeKind::PropertyPut) {
            if (Status s = automation::CheckArgumentCount(args, 2, 2); !s) return s.error();
            auto name = StringArgument(args, 0);
            if (!name) return name.error();
            auto value = automation::ToString(args[1]);
            if (!value) return value.error();
            if (!platform::SetEnvironmentValue(SetName(Native(*name)), Native(*value))) {
              return FileError(kErrBadArgument);
            }
            return Variant();
          }
          if (Status s = automation::CheckArgumentCount(args, 1, 1); !s) return s.error();
          auto name = StringArgument(args, 0);
          if (!name) return name.error();
          return Str(Script(platform::EnvironmentValue(SetName(Native(*name))).value_or("")));
        },
        true);
    Method(u"Count", kCount, 0, 0, [](Args) -> Result<Variant> {
      return Variant::I4(static_cast<std::int32_t>(platform::EnvironmentEntries().size()));
    });
    Property(u"length", kLength, []() -> Result<Variant> {
      return Variant::I4(static_cast<std::int32_t>(platform::EnvironmentEntries().size()));
    });
    Method(u"Remove", kRemove, 1, 0, [](Args args) -> Result<Variant> {
      auto name = StringArgument(args, 0);
      if (!name) return name.error();
      const std::string set = SetName(Native(*name));
      if (!platform::EnvironmentValue(set)) return FileError(kErrBadArgument);
      (void)platform::RemoveEnvironmentValue(set);
      return Variant();
    });
    Property(u"_NewEnum", automation::kDispIdNewEnum, []() -> Result<Variant> {
      std::vector<Variant> entries;
      for (const auto& [name, value] : platform::EnvironmentEntries()) {
        entries.push_back(Str(Script(name + "=" + value)));
      }
      return Obj(automation::MakeListEnumerator(std::move(entries)));
    });
    Finish();
  }
};

}  // namespace

Result<Ref<automation::Dispatch>> MakeEnvironment(std::u16string_view type) {
  for (auto known : {u"PROCESS", u"SYSTEM", u"USER", u"VOLATILE"}) {
    if (automation::SameNameIgnoringCase(type, known)) {
      return Ref<automation::Dispatch>(automation::MakeObject<Environment>());
    }
  }
  return FileError(kErrBadArgument);
}

std::u16string ExpandEnvironment(std::u16string_view text) {
  std::u16string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t open = text.find(u'%', i);
    if (open == std::u16string_view::npos) break;
    const std::size_t close = text.find(u'%', open + 1);
    if (close == std::u16string_view::npos) break;
    out.append(text.substr(i, open - i));
    const std::u16string name(text.substr(open + 1, close - open - 1));
    std::optional<std::string> value;
    if (!name.empty()) value = platform::EnvironmentValue(SetName(Native(name)));
    if (value) {
      out += Script(*value);
      i = close + 1;
    } else {
      // Left as written; the closing "%" may open the next name.
      out.append(text.substr(open, close - open));
      i = close;
    }
  }
  out.append(text.substr(i));
  return out;
}

}  // namespace hostobjects
