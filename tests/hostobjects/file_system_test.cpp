// The file system object against real files and folders: a table of calls with their results
// and error numbers, walked in order (later rows see what earlier ones did).

#include <gmock/gmock.h>

#include "automation/enumerator.h"
#include "host_object_calls.h"

namespace hostobjects_testing {
namespace {

struct Row {
  std::u16string method;
  std::vector<Variant> args;
  int error;           // 0: success
  std::string result;  // the result as text (when no error); "*" for any
};

class FileSystemTest : public RigFolder {
 protected:
  void SetUp() override {
    RigFolder::SetUp();
    std::filesystem::create_directories(folder_.path() / "drive/Data");
    std::filesystem::create_directories(folder_.path() / "drive/Logs");
    std::filesystem::create_directories(folder_.path() / "drive/Twins");
    Write("drive/Data/List.txt", "one\r\ntwo\r\n");
    Write("drive/Data/b.csv", "1,2\r\n");
    Write("drive/Twins/Same.txt", "x");
    Write("drive/Twins/same.TXT", "y");
    fso_ = Create(u"Scripting.FileSystemObject");
  }
  Ref<Dispatch> fso_;
};

TEST_F(FileSystemTest, CallsGiveTheOriginalsResultsAndErrors) {
  const std::vector<Row> rows = {
      // Paths as text.
      {u"BuildPath", {S(u"C:\\Data"), S(u"x.txt")}, 0, "C:\\Data\\x.txt"},
      {u"BuildPath", {S(u"C:\\Data\\"), S(u"x.txt")}, 0, "C:\\Data\\x.txt"},
      {u"BuildPath", {S(u"C:"), S(u"x.txt")}, 0, "C:x.txt"},
      {u"BuildPath", {S(u"/srv/rig"), S(u"log.csv")}, 0, "/srv/rig/log.csv"},
      {u"GetParentFolderName", {S(u"C:\\Data\\List.txt")}, 0, "C:\\Data"},
      {u"GetParentFolderName", {S(u"C:\\Data\\")}, 0, "C:\\"},
      {u"GetParentFolderName", {S(u"C:\\")}, 0, ""},
      {u"GetParentFolderName", {S(u"/srv/rig/rig.js")}, 0, "/srv/rig"},
      {u"GetParentFolderName", {S(u"rig.js")}, 0, ""},
      {u"GetFileName", {S(u"C:\\Data\\List.txt")}, 0, "List.txt"},
      {u"GetFileName", {S(u"C:\\Data\\")}, 0, "Data"},
      {u"GetBaseName", {S(u"C:\\Data\\archive.tar.gz")}, 0, "archive.tar"},
      {u"GetExtensionName", {S(u"C:\\Data\\archive.tar.gz")}, 0, "gz"},
      {u"GetExtensionName", {S(u"C:\\Data\\README")}, 0, ""},
      {u"GetDriveName", {S(u"c:\\Data")}, 0, "c:"},
      {u"GetDriveName", {S(u"\\\\server\\share\\x")}, 0, "\\\\server\\share"},
      {u"GetDriveName", {S(u"/srv")}, 0, ""},
      // Existence, through the drive link and without regard to case.
      {u"FileExists", {S(u"C:\\Data\\List.txt")}, 0, "True"},
      {u"FileExists", {S(u"c:/data/LIST.TXT")}, 0, "True"},
      {u"FileExists", {S(u"C:\\Data")}, 0, "False"},
      {u"FolderExists", {S(u"C:\\DATA")}, 0, "True"},
      {u"FolderExists", {S(u"drive\\data")}, 0, "True"},
      {u"FileExists", {S(u"D:\\List.txt")}, 0, "False"},
      {u"FileExists", {S(u"C:\\Twins\\SAME.txt")}, 0, "False"},  // two entries match
      {u"FileExists", {S(u"C:\\Twins\\Same.txt")}, 0, "True"},   // as written, exactly
      {u"DriveExists", {S(u"C:")}, 0, "True"},
      {u"DriveExists", {S(u"c")}, 0, "True"},
      {u"DriveExists", {S(u"D:")}, 0, "False"},
      {u"GetAbsolutePathName", {S(u"c:\\data\\..\\DATA\\.\\list.txt")}, 0, "C:\\Data\\List.txt"},
      {u"GetAbsolutePathName", {S(u"C:\\Data\\new.txt")}, 0, "C:\\Data\\new.txt"},
      // Errors with their numbers.
      {u"GetFile", {S(u"C:\\Data\\missing.txt")}, 53, ""},
      {u"GetFile", {S(u"C:\\Data")}, 53, ""},
      {u"GetFolder", {S(u"C:\\Nope")}, 76, ""},
      {u"GetFile", {S(u"D:\\List.txt")}, 76, ""},
      {u"GetFile", {S(u"\\\\server\\share\\List.txt")}, 76, ""},
      {u"GetFile", {S(u"C:\\Twins\\SAME.TXT")}, 76, ""},
      {u"CreateFolder", {S(u"C:\\Data")}, 58, ""},
      {u"CreateFolder", {S(u"C:\\Nope\\Sub")}, 76, ""},
      {u"CreateTextFile", {S(u"C:\\Data\\List.txt")}, 58, ""},
      {u"CreateTextFile", {S(u"C:\\Data\\List.txt"), B(false)}, 58, ""},
      {u"CreateTextFile", {S(u"C:\\Nope\\x.txt"), B(true)}, 76, ""},
      {u"OpenTextFile", {S(u"C:\\Data\\missing.txt")}, 53, ""},
      {u"OpenTextFile", {S(u"C:\\Data\\missing.txt"), I(2)}, 53, ""},
      {u"OpenTextFile", {S(u"C:\\Nope\\x.txt"), I(2), B(true)}, 76, ""},
      {u"OpenTextFile", {S(u"C:\\Data\\List.txt"), I(3)}, 5, ""},
      {u"OpenTextFile", {S(u"C:\\Data\\List.txt"), I(1), B(false), I(7)}, 5, ""},
      {u"OpenTextFile", {S(u"C:\\Data")}, 70, ""},
      {u"GetSpecialFolder", {I(3)}, 5, ""},
      {u"DeleteFile", {S(u"C:\\Data\\*.none")}, 53, ""},
      {u"DeleteFolder", {S(u"C:\\Nope")}, 76, ""},
      {u"FileExists", {}, 450, ""},
      {u"FileExists", {Variant::Missing()}, 449, ""},
      // Changes, each seen by the rows after it.
      {u"CreateFolder", {S(u"C:\\Data\\Sub")}, 0, "C:\\Data\\Sub"},
      {u"CopyFile", {S(u"C:\\Data\\list.txt"), S(u"C:\\Logs\\")}, 0, ""},
      {u"FileExists", {S(u"C:\\Logs\\List.txt")}, 0, "True"},
      {u"CopyFile", {S(u"C:\\Data\\List.txt"), S(u"C:\\Logs\\List.txt"), B(false)}, 58, ""},
      {u"CopyFile", {S(u"C:\\Data\\List.txt"), S(u"C:\\Logs")}, 70, ""},
      {u"CopyFile", {S(u"C:\\Data\\*.TXT"), S(u"C:\\Data\\Sub")}, 0, ""},
      {u"FileExists", {S(u"C:\\Data\\Sub\\List.txt")}, 0, "True"},
      {u"FileExists", {S(u"C:\\Data\\Sub\\b.csv")}, 0, "False"},
      {u"MoveFile", {S(u"C:\\Logs\\List.txt"), S(u"C:\\Logs\\Moved.txt")}, 0, ""},
      {u"MoveFile", {S(u"C:\\Logs\\List.txt"), S(u"C:\\Logs\\Again.txt")}, 53, ""},
      {u"MoveFile", {S(u"C:\\Data\\b.csv"), S(u"C:\\Logs\\Moved.txt")}, 58, ""},
      {u"FileExists", {S(u"C:\\Logs\\Moved.txt")}, 0, "True"},
      {u"CopyFolder", {S(u"C:\\Data"), S(u"C:\\Copy")}, 0, ""},
      {u"FileExists", {S(u"C:\\Copy\\Sub\\List.txt")}, 0, "True"},
      {u"MoveFolder", {S(u"C:\\Copy"), S(u"C:\\Logs\\")}, 0, ""},
      {u"FolderExists", {S(u"C:\\Logs\\Copy\\Sub")}, 0, "True"},
      {u"FolderExists", {S(u"C:\\Copy")}, 0, "False"},
      {u"DeleteFile", {S(u"C:\\Logs\\*.txt")}, 0, ""},
      {u"FileExists", {S(u"C:\\Logs\\Moved.txt")}, 0, "False"},
      {u"DeleteFolder", {S(u"C:\\Logs\\Cop?")}, 0, ""},
      {u"FolderExists", {S(u"C:\\Logs\\Copy")}, 0, "False"},
  };
  for (const Row& row : rows) {
    std::vector<Variant> args = row.args;
    auto result = Call(*fso_, row.method, args);
    std::string shown = automation::Utf8FromUtf16(row.method);
    for (const Variant& a : row.args) shown += " " + Text(a);
    EXPECT_EQ(ErrorNumber(result), row.error) << shown;
    if (row.error == 0 && row.result != "*" && result &&
        result->Type() != automation::VarType::Dispatch) {
      EXPECT_EQ(Text(result), row.result) << shown;
    }
    if (row.error == 0 && result && result->Type() == automation::VarType::Dispatch) {
      EXPECT_EQ(Text(Get(*ObjectOf(result), u"Path")), row.result) << shown;
    }
  }
}

TEST_F(FileSystemTest, ErrorsCarryTheOriginalTexts) {
  const std::vector<std::tuple<std::u16string, std::vector<Variant>, std::string>> cases = {
      {u"GetFile", {S(u"C:\\Data\\missing.txt")}, "File not found"},
      {u"GetFolder", {S(u"C:\\Nope\\x")}, "Path not found"},
  };
  for (const auto& [method, args, text] : cases) {
    auto result = Call(*fso_, method, args);
    ASSERT_FALSE(result);
    EXPECT_EQ(automation::Utf8FromUtf16(result.error().description), text);
  }
  auto exists = Call(*fso_, u"CreateFolder", {S(u"C:\\Data")});
  EXPECT_EQ(automation::Utf8FromUtf16(exists.error().description), "File already exists");
  auto denied = Call(*fso_, u"OpenTextFile", {S(u"C:\\Data")});
  EXPECT_EQ(automation::Utf8FromUtf16(denied.error().description), "Permission denied");
  auto bad = Call(*fso_, u"GetSpecialFolder", {I(9)});
  EXPECT_EQ(automation::Utf8FromUtf16(bad.error().description),
            "Invalid procedure call or argument");
}

TEST_F(FileSystemTest, AMissingDriveLinkIsPathNotFoundAndAPathWithoutDriveIsLocal) {
  auto missing = Call(*fso_, u"GetFolder", {S(u"Q:\\")});
  EXPECT_EQ(ErrorNumber(missing), 76);
  auto local = Call(*fso_, u"GetFile", {S(u"drive\\DATA\\list.txt")});
  ASSERT_TRUE(local);
  EXPECT_EQ(Text(Get(*ObjectOf(local), u"Path")), Path("drive/Data/List.txt"));
  auto absolute = Call(*fso_, u"FileExists", {S(Native16("drive/Data/List.txt"))});
  EXPECT_EQ(Text(absolute), "True");
}

TEST_F(FileSystemTest, FileAndFolderObjectsDescribeTheirEntries) {
  auto file = ObjectOf(Call(*fso_, u"GetFile", {S(u"c:\\data\\list.txt")}));
  ASSERT_TRUE(file);
  EXPECT_EQ(Text(Get(*file, u"Name")), "List.txt");
  EXPECT_EQ(Text(Get(*file, u"path")), "C:\\Data\\List.txt");
  EXPECT_EQ(Text(Get(*file, u"Size")), "10");
  EXPECT_EQ(Text(Get(*file, u"Type")), "TXT File");
  EXPECT_EQ(Text(Get(*file, u"Attributes")), "32");
  auto parent = ObjectOf(Get(*file, u"ParentFolder"));
  ASSERT_TRUE(parent);
  EXPECT_EQ(Text(Get(*parent, u"Path")), "C:\\Data");
  EXPECT_EQ(Text(Get(*parent, u"IsRootFolder")), "False");
  EXPECT_EQ(Text(Get(*parent, u"Size")), "15");
  // The file times are dates, close to now.
  auto modified = Get(*file, u"DateLastModified");
  ASSERT_TRUE(modified);
  EXPECT_EQ(modified->Type(), automation::VarType::Date);
  const double now = hostobjects_testing::Get(*file, u"DateCreated")->AsDate();
  EXPECT_NEAR(modified->AsDate(), now, 1.0 / 24);
  EXPECT_GT(modified->AsDate(), 45000.0);  // after 2023

  // Renamed through Name, it keeps working under the new name.
  ASSERT_TRUE(Put(*file, u"Name", {S(u"Renamed.txt")}));
  EXPECT_EQ(Text(Get(*file, u"Path")), "C:\\Data\\Renamed.txt");
  EXPECT_EQ(Read("drive/Data/Renamed.txt"), "one\r\ntwo\r\n");
  EXPECT_EQ(ErrorNumber(Put(*file, u"Name", {S(u"b.csv")})), 58);

  // Read-only: delete refuses without force.
  ASSERT_TRUE(Put(*file, u"Attributes", {I(1)}));
  EXPECT_EQ(Text(Get(*file, u"Attributes")), "33");
  EXPECT_EQ(ErrorNumber(Call(*file, u"Delete")), 70);
  EXPECT_EQ(ErrorNumber(Call(*file, u"Delete", {B(true)})), 0);
  EXPECT_FALSE(std::filesystem::exists(Path("drive/Data/Renamed.txt")));

  auto root = ObjectOf(Call(*fso_, u"GetFolder", {S(u"C:\\")}));
  ASSERT_TRUE(root);
  EXPECT_EQ(Text(Get(*root, u"IsRootFolder")), "True");
  EXPECT_EQ(Get(*root, u"ParentFolder")->AsObject(), nullptr);
}

TEST_F(FileSystemTest, CollectionsCountNameAndEnumerateTheirEntries) {
  auto folder = ObjectOf(Call(*fso_, u"GetFolder", {S(u"C:\\Data")}));
  ASSERT_TRUE(folder);
  Write("drive/Data/a.log", "");
  std::filesystem::create_directories(folder_.path() / "drive/Data/Zeta");
  std::filesystem::create_directories(folder_.path() / "drive/Data/alpha");
  auto files = ObjectOf(Get(*folder, u"Files"));
  ASSERT_TRUE(files);
  EXPECT_EQ(Text(Get(*files, u"Count")), "3");
  auto all = automation::EnumerateAll(*files);
  ASSERT_TRUE(all);
  std::vector<std::string> names;
  for (const Variant& f : *all) names.push_back(Text(Get(*f.AsObject(), u"Name")));
  EXPECT_THAT(names, ::testing::ElementsAre("a.log", "b.csv", "List.txt"));
  auto byName = Get(*files, u"Item", {S(u"LIST.TXT")});
  EXPECT_EQ(Text(Get(*ObjectOf(byName), u"Path")), "C:\\Data\\List.txt");
  EXPECT_EQ(ErrorNumber(Get(*files, u"Item", {S(u"none.txt")})), 53);

  auto subFolders = ObjectOf(Get(*folder, u"SubFolders"));
  auto folders = automation::EnumerateAll(*subFolders);
  ASSERT_TRUE(folders);
  names.clear();
  for (const Variant& f : *folders) names.push_back(Text(Get(*f.AsObject(), u"Path")));
  EXPECT_THAT(names, ::testing::ElementsAre("C:\\Data\\alpha", "C:\\Data\\Zeta"));
  auto made = ObjectOf(Call(*folder, u"CreateTextFile", {S(u"new.txt")}));
  ASSERT_TRUE(made);
  EXPECT_TRUE(Call(*made, u"Write", {S(u"x")}));
  EXPECT_TRUE(Call(*made, u"Close"));
  EXPECT_EQ(Read("drive/Data/new.txt"), "x");
}

TEST_F(FileSystemTest, TemporaryFolderAndNames) {
  auto temp = ObjectOf(Call(*fso_, u"GetSpecialFolder", {I(2)}));
  ASSERT_TRUE(temp);
  EXPECT_EQ(Text(Get(*temp, u"IsRootFolder")), "False");
  const std::string name = Text(Call(*fso_, u"GetTempName"));
  EXPECT_THAT(name, ::testing::MatchesRegex("rad[0-9A-F]{5}\\.tmp"));
}

}  // namespace
}  // namespace hostobjects_testing
