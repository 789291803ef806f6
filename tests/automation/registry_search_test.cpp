// The class registry's search: the user's file first, then the system's files in the XDG data
// folders, each entry read whole from the first file that has it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "automation/class_registry.h"
#include "automation/guid.h"
#include "support/temp_dir.h"

namespace pa = automation;

namespace {

// Sets an environment variable for the life of the object, or removes it (nullopt), and puts the
// previous state back afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    Set(value);
  }
  ~ScopedEnv() { Set(old_); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void Set(const std::optional<std::string>& value) {
    if (value)
      ::setenv(name_, value->c_str(), 1);
    else
      ::unsetenv(name_);
  }
  const char* name_;
  std::optional<std::string> old_;
};

TEST(ClassRegistrySearch, TheUsersFileComesFirstThenEachAbsoluteDataFolder) {
  ScopedEnv home("XDG_DATA_HOME", "/srv/data");
  struct Case {
    std::optional<std::string> dataDirs;
    std::vector<std::string> expected;
  };
  const std::string user = "/srv/data/commtestkit/classes.reg";
  const Case cases[] = {
      {std::nullopt,
       {user, "/usr/local/share/commtestkit/classes.reg", "/usr/share/commtestkit/classes.reg"}},
      {"",
       {user, "/usr/local/share/commtestkit/classes.reg", "/usr/share/commtestkit/classes.reg"}},
      {"/opt/a", {user, "/opt/a/commtestkit/classes.reg"}},
      // Empty and relative entries name no base folder.
      {"/opt/a::relative:/opt/b",
       {user, "/opt/a/commtestkit/classes.reg", "/opt/b/commtestkit/classes.reg"}},
      {"relative", {user}},
  };
  for (const Case& c : cases) {
    ScopedEnv dirs("XDG_DATA_DIRS", c.dataDirs);
    EXPECT_EQ(pa::ClassRegistrySearchPaths(), c.expected) << c.dataDirs.value_or("(unset)");
  }
}

class SystemRegistry : public testing::Test {
 protected:
  // Writes a registration into the registry under `base`, the way registration writes the user's
  // (the system's files are made by registering too).
  static void RegisterUnder(const std::string& base, const pa::ClassRegistration& r) {
    ScopedEnv target("XDG_DATA_HOME", base);
    ASSERT_TRUE(pa::RegisterClass(r).ok());
  }
  static void RegisterTypeLibUnder(const std::string& base, const pa::TypeLibRegistration& r) {
    ScopedEnv target("XDG_DATA_HOME", base);
    ASSERT_TRUE(pa::RegisterTypeLib(r).ok());
  }
  static pa::ClassRegistration Thing(const std::string& module) {
    pa::ClassRegistration r;
    r.clsid = *pa::ParseGuid("{11111111-2222-3333-4444-555555555555}");
    r.name = "Thing";
    r.progId = "Kit.Thing";
    r.modulePath = module;
    return r;
  }

  testing_support::TempDir dir_;
  const std::string user_ = dir_ / "user";
  const std::string first_ = dir_ / "first";
  const std::string second_ = dir_ / "second";
  ScopedEnv home_{"XDG_DATA_HOME", user_};
  ScopedEnv dirs_{"XDG_DATA_DIRS", first_ + ":" + second_};
};

TEST_F(SystemRegistry, AClassAndTypeLibraryOnlyTheSystemRegisteredAreFound) {
  pa::ClassRegistration thing = Thing("/usr/lib/kit/Thing.so");
  thing.toolboxBitmap = 7;
  RegisterUnder(second_, thing);
  const pa::Guid libid = *pa::ParseGuid("{99999999-8888-7777-6666-555555555555}");
  RegisterTypeLibUnder(second_, {libid, "1.0", 0, "Kit", "/usr/lib/kit/Thing.so", 2});

  EXPECT_EQ(pa::ClsidFromProgId("Kit.Thing"), thing.clsid);
  auto found = pa::FindClass(thing.clsid);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->modulePath, "/usr/lib/kit/Thing.so");
  EXPECT_EQ(found->toolboxBitmap, 7);
  auto library = pa::FindTypeLib(libid, "1.0");
  ASSERT_TRUE(library);
  EXPECT_EQ(library->modulePath, "/usr/lib/kit/Thing.so");
  EXPECT_EQ(library->flags, 2u);
  // Nothing was written for the user.
  EXPECT_FALSE(std::filesystem::exists(pa::ClassRegistryPath()));
}

TEST_F(SystemRegistry, TheUsersRegistrationWinsAndUnregisteringTouchesOnlyTheUsersFile) {
  pa::ClassRegistration system = Thing("/usr/lib/kit/Thing.so");
  system.toolboxBitmap = 7;
  RegisterUnder(second_, system);
  RegisterUnder(first_, Thing("/usr/local/lib/kit/Thing.so"));
  const std::string systemFile = second_ + "/commtestkit/classes.reg";
  const std::string systemBefore = testing_support::ReadWholeFile(systemFile);

  // An earlier data folder wins over a later one.
  EXPECT_EQ(pa::FindClass(system.clsid)->modulePath, "/usr/local/lib/kit/Thing.so");

  pa::ClassRegistration own = Thing(dir_ / "build/Thing.so");
  ASSERT_TRUE(pa::RegisterClass(own).ok());
  auto found = pa::FindClass(own.clsid);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->modulePath, own.modulePath);
  // The entry comes whole from the user's file: the system's bitmap does not leak into it.
  EXPECT_FALSE(found->toolboxBitmap);
  EXPECT_EQ(pa::ClsidFromProgId("Kit.Thing"), own.clsid);

  ASSERT_TRUE(pa::UnregisterClass(own.clsid, own.progId).ok());
  EXPECT_EQ(pa::FindClass(own.clsid)->modulePath, "/usr/local/lib/kit/Thing.so");
  EXPECT_EQ(testing_support::ReadWholeFile(systemFile), systemBefore);
}

}  // namespace
