#include "hostobjects/host_objects.h"

#include "automation/text.h"
#include "hostobjects/classes.h"

namespace hostobjects {

automation::Ref<automation::Dispatch> CreateHostObject(std::u16string_view progId) {
  struct Class {
    std::u16string_view progId;
    automation::Ref<automation::Dispatch> (*create)();
  };
  static constexpr Class kClasses[] = {
      {u"Scripting.FileSystemObject", &CreateFileSystemObject},
      {u"Scripting.Dictionary", &CreateDictionary},
      {u"WScript.Shell", &CreateShell},
      {u"WScript.Network", &CreateNetwork},
      {u"ADODB.Stream", &CreateDataStream},
  };
  for (const Class& c : kClasses) {
    if (automation::SameNameIgnoringCase(c.progId, progId)) return c.create();
  }
  return nullptr;
}

}  // namespace hostobjects
