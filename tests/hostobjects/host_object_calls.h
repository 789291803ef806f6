#pragma once
// Calls on the host's objects through their dispatch interfaces, as a script makes them, and a
// folder to try them in: a temporary folder that is the current folder, with the configuration
// folder inside it and drive C: linked to its "drive" folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "automation/coercion.h"
#include "automation/dispatch.h"
#include "automation/text.h"
#include "hostobjects/host_objects.h"
#include "platform/environment.h"
#include "platform/file_system.h"
#include "platform/files.h"
#include "support/temp_dir.h"

namespace hostobjects_testing {

using automation::Dispatch;
using automation::Ref;
using automation::Result;
using automation::Variant;

inline Ref<Dispatch> Create(std::u16string_view progId) {
  Ref<Dispatch> object = hostobjects::CreateHostObject(progId);
  EXPECT_TRUE(object) << automation::Utf8FromUtf16(progId);
  return object;
}

inline Result<Variant> Call(Dispatch& object, std::u16string_view name,
                            std::vector<Variant> args = {}) {
  return automation::CallMethod(object, name, std::span<Variant>(args));
}
inline Result<Variant> Get(Dispatch& object, std::u16string_view name,
                           std::vector<Variant> args = {}) {
  auto id = object.GetIdOfName(name);
  if (!id) return id.error();
  return object.Invoke(*id, automation::InvokeKind::PropertyGet, args);
}
inline automation::Status Put(Dispatch& object, std::u16string_view name,
                              std::vector<Variant> argsAndValue) {
  auto id = object.GetIdOfName(name);
  if (!id) return id.error();
  auto done = object.Invoke(*id, automation::InvokeKind::PropertyPut, argsAndValue);
  return done.status();
}

inline Variant S(std::u16string text) {
  return Variant::String(std::move(text));
}
inline Variant I(std::int32_t value) {
  return Variant::I4(value);
}
inline Variant B(bool value) {
  return Variant::Bool(value);
}

// The error number of a failed call, 0 for success.
template <class T>
int ErrorNumber(const T& result) {
  return result.ok() ? 0 : result.error().number;
}

inline std::string Text(const Result<Variant>& value) {
  if (!value) return "<error " + std::to_string(value.error().number) + ">";
  auto text = automation::ToString(*value);
  return text ? automation::Utf8FromUtf16(*text) : "<not text>";
}

inline Ref<Dispatch> ObjectOf(const Result<Variant>& value) {
  if (!value || value->Type() != automation::VarType::Dispatch) return nullptr;
  return Ref<Dispatch>(value->AsObject());
}

inline std::string BytesOf(const Variant& value) {
  if (!value.IsArray()) return "<not an array>";
  const auto& bytes = value.AsArray().bytes();
  return std::string(bytes.begin(), bytes.end());
}

class RigFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(folder_.path() / "config/commtestkit/drives");
    std::filesystem::create_directories(folder_.path() / "drive");
    std::filesystem::create_directory_symlink(folder_.path() / "drive",
                                              folder_.path() / "config/commtestkit/drives/c");
    ASSERT_TRUE(platform::SetEnvironmentValue("XDG_CONFIG_HOME", folder_ / "config"));
    previous_ = platform::CurrentDirectory().value_or("/");
    ASSERT_TRUE(platform::ChangeDirectory(folder_.str()));
  }
  void TearDown() override { (void)platform::ChangeDirectory(previous_); }

  std::string Path(const std::string& name) const { return folder_ / name; }
  void Write(const std::string& name, const std::string& bytes) const {
    testing_support::WriteWholeFile(Path(name), bytes);
  }
  std::string Read(const std::string& name) const {
    return testing_support::ReadWholeFile(Path(name));
  }
  std::u16string Native16(const std::string& name) const {
    return automation::Utf16FromUtf8(Path(name));
  }

  testing_support::TempDir folder_;
  std::string previous_;
};

}  // namespace hostobjects_testing
