#pragma once
// The makers of the host's own classes, one per class file.

#include "hostobjects/host_object.h"

namespace hostobjects {

Ref<automation::Dispatch> CreateFileSystemObject();
Ref<automation::Dispatch> CreateDictionary();
Ref<automation::Dispatch> CreateShell();
Ref<automation::Dispatch> CreateNetwork();
Ref<automation::Dispatch> CreateDataStream();

}  // namespace hostobjects
