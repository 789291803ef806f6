#pragma once
// The class information an object gives its host: the description of its class, with its
// default interface and its default event interface, as the original platform's class-information
// interface does. A script host binds an object's events to the script's functions by the event
// names it finds here.

#include "automation/type_info.h"
#include "automation/unknown.h"

namespace automation {

class ProvideClassInfo : public Unknown {
 public:
  static constexpr Guid kIid{
      0x6E3B0F47, 0x52C7, 0x4D19, {0x9A, 0x1E, 0x40, 0x7C, 0x2B, 0x93, 0xD5, 0x01}};

  // The object's class; the data lives as long as the object's module (modules stay loaded).
  virtual const ClassInfo& GetClassInfo() = 0;

 protected:
  ~ProvideClassInfo() = default;
};

}  // namespace automation
