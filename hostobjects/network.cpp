// WScript.Network: the machine's and the user's names.

#include "hostobjects/classes.h"
#include "platform/environment.h"

namespace hostobjects {
namespace {

class Network final : public HostObject {
 public:
  Network() : HostObject(u"IWshNetwork2") {
    Property(u"ComputerName", 1,
             []() -> Result<Variant> { return Str(Script(platform::MachineName())); });
    Property(u"UserName", 2,
             []() -> Result<Variant> { return Str(Script(platform::LoginName())); });
    // Outside a domain the original gives the machine's own name.
    Property(u"UserDomain", 3,
             []() -> Result<Variant> { return Str(Script(platform::MachineName())); });
    Finish();
  }
};

}  // namespace

Ref<automation::Dispatch> CreateNetwork() {
  return automation::MakeObject<Network>();
}

}  // namespace hostobjects
