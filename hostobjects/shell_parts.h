#pragma once
// The pieces of WScript.Shell that live in files of their own: the environment collection,
// the running command of Exec, and the expansion of "%NAME%".

#include <string>

#include "hostobjects/host_object.h"

namespace hostobjects {

// The environment as the collection of `type` ("PROCESS", "SYSTEM", "USER", "VOLATILE": all the
// process environment here); error 5 for another name.
Result<Ref<automation::Dispatch>> MakeEnvironment(std::u16string_view type);

// A command started through the shell with pipes on its three streams; error 5 when it
// cannot be started.
Result<Ref<automation::Dispatch>> StartExec(const std::string& command);

// The special folders collection, and one folder's path by name ("" for an unknown name).
Ref<automation::Dispatch> MakeSpecialFolders();
std::u16string SpecialFolderPath(std::u16string_view name);

// "%NAME%" replaced by the variable's value (the name found without regard to case when it is
// not set as written); an unset name stays as written.
std::u16string ExpandEnvironment(std::u16string_view text);

}  // namespace hostobjects
