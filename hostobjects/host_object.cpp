#include "hostobjects/host_object.h"

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace hostobjects {
namespace {

using automation::InterfaceInfo;
using automation::MemberInfo;
using automation::ParamInfo;

// Parameters as the hosts read them: how many, and which are optional. Required ones come
// first, so any shape is a window onto one pool.
constexpr int kMaxParams = 8;
constexpr ParamInfo MakeParam(bool optional) {
  return ParamInfo{u"value", automation::Type(automation::VarType::Variant), optional, false};
}
constexpr ParamInfo kParamPool[2 * kMaxParams] = {
    MakeParam(false), MakeParam(false), MakeParam(false), MakeParam(false),
    MakeParam(false), MakeParam(false), MakeParam(false), MakeParam(false),
    MakeParam(true),  MakeParam(true),  MakeParam(true),  MakeParam(true),
    MakeParam(true),  MakeParam(true),  MakeParam(true),  MakeParam(true)};

std::span<const ParamInfo> Params(int required, int optional) {
  return std::span<const ParamInfo>(kParamPool + (kMaxParams - required),
                                    static_cast<std::size_t>(required + optional));
}

// The type information of every interface made so far; it lives as long as the process, as
// a library's constant tables do.
struct Table {
  std::u16string interfaceName;
  std::deque<std::u16string> names;
  std::vector<MemberInfo> members;
  InterfaceInfo info;
};

std::mutex& TablesLock() {
  static std::mutex lock;
  return lock;
}
std::map<std::u16string, std::unique_ptr<Table>>& Tables() {
  static std::map<std::u16string, std::unique_ptr<Table>> tables;
  return tables;
}

}  // namespace

void HostObject::Method(std::u16string name, DispId id, int required, int optional,
                        automation::MethodHandler handler) {
  pending_.push_back({name, id, automation::MemberKind::Method, 0, required, optional});
  const auto min = static_cast<std::size_t>(required);
  const auto max = static_cast<std::size_t>(required + optional);
  AddMethod(std::move(name), id,
            [min, max, handler = std::move(handler)](Args args) -> Result<Variant> {
              if (Status s = automation::CheckArgumentCount(args, min, max); !s) return s.error();
              for (std::size_t i = 0; i < min; ++i) {
                if (args[i].IsMissing())
                  return automation::MakeError(automation::kErrArgumentNotOptional);
              }
              return handler(args);
            });
}

void HostObject::Property(std::u16string name, DispId id, automation::GetHandler get,
                          automation::PutHandler put) {
  const std::uint8_t access =
      static_cast<std::uint8_t>(automation::kAccessGet | (put ? automation::kAccessPut : 0));
  pending_.push_back({name, id, automation::MemberKind::Property, access, 0, 0});
  AddProperty(std::move(name), id, std::move(get), std::move(put));
}

void HostObject::Indexed(std::u16string name, DispId id, int required, int optional,
                         automation::DispatchObject::RawHandler handler, bool writable) {
  const std::uint8_t access =
      static_cast<std::uint8_t>(automation::kAccessGet | (writable ? automation::kAccessPut : 0));
  pending_.push_back({name, id, automation::MemberKind::Property, access, required, optional});
  AddRawMember(std::move(name), id, std::move(handler));
}

void HostObject::Finish() {
  std::lock_guard<std::mutex> hold(TablesLock());
  auto& tables = Tables();
  std::u16string key(interfaceName_);
  auto found = tables.find(key);
  if (found == tables.end()) {
    auto table = std::make_unique<Table>();
    table->interfaceName = key;
    for (const Pending& p : pending_) {
      table->names.push_back(p.name);
      table->members.push_back(MemberInfo{table->names.back(), p.id, p.kind, p.access,
                                          automation::Type(automation::VarType::Variant),
                                          Params(p.required, p.optional)});
    }
    table->info = InterfaceInfo{table->interfaceName, automation::Guid{},
                                automation::kInterfaceDual, table->members};
    found = tables.emplace(key, std::move(table)).first;
  }
  typeInfo_ = &found->second->info;
  pending_.clear();
  pending_.shrink_to_fit();
}

const Variant* Given(Args args, std::size_t index) {
  return automation::OptionalArgument(args, index);
}

Result<std::u16string> StringArgument(Args args, std::size_t index) {
  const Variant* given = Given(args, index);
  if (given == nullptr) return std::u16string();
  return automation::ToString(*given);
}

Result<std::int32_t> IntArgument(Args args, std::size_t index, std::int32_t otherwise) {
  const Variant* given = Given(args, index);
  if (given == nullptr) return otherwise;
  return automation::ToI4(*given);
}

Result<bool> BoolArgument(Args args, std::size_t index, bool otherwise) {
  const Variant* given = Given(args, index);
  if (given == nullptr) return otherwise;
  return automation::ToBool(*given);
}

}  // namespace hostobjects
