#pragma once
// What File and Folder have in common: a path, its names, times and attributes, and copying,
// moving and deleting the entry itself.

#include "hostobjects/file_objects.h"

namespace hostobjects {

class EntryObject : public HostObject {
 protected:
  EntryObject(std::u16string_view interfaceName, HostPath path, bool folder);

  const HostPath& path() const { return path_; }
  Result<platform::EntryStatus> Stat() const;

 private:
  Status Rename(const std::u16string& name);
  Status MoveTo(std::u16string_view destination);

  HostPath path_;
  bool folder_;
};

}  // namespace hostobjects
