#include "core/list_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/cp932.h"

namespace core {

// Shown by GoogleTest when a table row fails.
void PrintTo(const ListEntry& entry, std::ostream* out) {
  if (entry.kind == ListEntry::Kind::LineTooLong) {
    *out << "{line " << entry.lineNumber << " too long}";
  } else {
    *out << "{line " << entry.lineNumber << " send \"" << entry.path << "\""
         << (entry.pauseAfter ? " pause}" : "}");
  }
}

}  // namespace core

namespace {

using core::ListEntry;
using platform::Cp932;

ListEntry Send(std::string path, bool pauseAfter, long line) {
  return {ListEntry::Kind::SendFile, std::move(path), pauseAfter, line};
}

ListEntry TooLong(long line) {
  return {ListEntry::Kind::LineTooLong, {}, false, line};
}

TEST(ListFile, NamesListsByTheirExtension) {
  struct Case {
    std::string path;
    bool isList;
  } cases[] = {
      {"/data/a.lst", true},
      {"/data/LIST.Lst", true},
      {"/data/a.LST", true},
      {".lst", true},
      {Cp932("/データ/表.lst"), true},
      {"/data/a", false},
      {"/data/a.txt", false},
      {"/data/a.lst.txt", false},
      {"/data/a.lstx", false},
      {"/data/a.ls", false},
      {"/data/a.", false},
      {"/data/dir.lst/file", false},
      {"", false},
      // A lead byte before the dot cannot take it as its second byte.
      {"a\x82.lst", true},
      // Upper-casing leaves double-byte characters alone: this extension is not LST.
      {"a." + Cp932("ＬＳＴ"), false},
  };
  for (const Case& c : cases) EXPECT_EQ(core::IsListFileName(c.path), c.isList) << c.path;
}

TEST(ListFile, FolderEndsAtTheLastSeparator) {
  struct Case {
    std::string listPath;
    std::string folder;
  } cases[] = {
      {"/data/x/list.lst", "/data/x/"},
      {"list.lst", ""},
      {"D:\\x\\list.lst", "D:\\x\\"},
      {"/data/x\\list.lst", "/data/x\\"},
      // The second byte of 表 and ソ is 0x5C, yet it is no separator.
      {Cp932("/data/表.lst"), "/data/"},
      {Cp932("/data/ソフト表/一覧.lst"), Cp932("/data/ソフト表/")},
  };
  for (const Case& c : cases) EXPECT_EQ(core::ListFileFolder(c.listPath), c.folder) << c.listPath;
}

TEST(ListFile, TurnsLinesIntoFilesAndPauses) {
  const std::string folder = "/data/x/";
  const std::string longLine(core::kListLineLimit, 'n');
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<ListEntry> entries;
  } cases[] = {
      {"lines ending in CR LF, an empty line between",
       "a.txt\r\n\r\nb.txt\r\n",
       {Send(folder + "a.txt", true, 1), Send(folder + "b.txt", true, 3)}},
      {"lines ending in LF",
       "a.txt\nb.txt\n",
       {Send(folder + "a.txt", true, 1), Send(folder + "b.txt", true, 2)}},
      {"a last line without LF has no pause",
       "a.txt\nb.txt",
       {Send(folder + "a.txt", true, 1), Send(folder + "b.txt", false, 2)}},
      {"nothing at all", "", {}},
      {"only line ends", "\n\r\n\r\r\n\n", {}},
      {"a last line of carriage returns only", "a.txt\n\r\r", {Send(folder + "a.txt", true, 1)}},
      {"a carriage return inside a line is dropped",
       "a\r.txt\n",
       {Send(folder + "a.txt", true, 1)}},
      {"a full path with slashes", "/other/f.bin\n", {Send("/other/f.bin", true, 1)}},
      {"a path written on Windows", "D:\\y\\f.bin\r\n", {Send("D:/y/f.bin", true, 1)}},
      {"a relative path with a backslash is not put in the folder",
       "sub\\b.txt\n",
       {Send("sub/b.txt", true, 1)}},
      {"a relative path with a slash", "sub/b.txt", {Send("sub/b.txt", false, 1)}},
      {"a name with 表 is a name, not a path",
       Cp932("表.txt\r\n"),
       {Send(folder + Cp932("表.txt"), true, 1)}},
      {"ソ keeps its second byte in a path",
       Cp932("ソフト\\表.txt\n"),
       {Send(Cp932("ソフト/表.txt"), true, 1)}},
      {"a stray lead byte does not swallow the line feed",
       "\x82\nb.txt\n",
       {Send(folder + "\x82", true, 1), Send(folder + "b.txt", true, 2)}},
      {"a stray lead byte before CR LF",
       "a\x82\r\nb\r\n",
       {Send(folder + "a\x82", true, 1), Send(folder + "b", true, 2)}},
      {"a stray lead byte before a slash", "a\x82/b\n", {Send("a\x82/b", true, 1)}},
      {"a lead byte pairs with a following 0x5C",
       "a\x82\\b\n",
       {Send(folder + "a\x82\\b", true, 1)}},
      {"a lead byte at the very end", "a\x82", {Send(folder + "a\x82", false, 1)}},
      {"a line of the longest length", longLine + "\r\n", {Send(folder + longLine, true, 1)}},
      {"a line one byte too long is skipped",
       "a\n" + longLine + "n\nb\n",
       {Send(folder + "a", true, 1), TooLong(2), Send(folder + "b", true, 3)}},
      {"a last line too long", "a\n" + longLine + "nn", {Send(folder + "a", true, 1), TooLong(2)}},
      {"carriage returns do not count in the length",
       longLine + "\r\r\n",
       {Send(folder + longLine, true, 1)}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(core::ListFileEntries(folder + "files.lst", c.bytes), c.entries) << c.what;
}

TEST(ListFile, NamesAreJoinedToTheListsOwnFolder) {
  struct Case {
    std::string listPath;
    std::string path;
  } cases[] = {
      {"list.lst", "a.txt"},
      {Cp932("/data/表.lst"), "/data/a.txt"},
      // The list's own path comes from the system and keeps its bytes.
      {"/data/x\\y/list.lst", "/data/x\\y/a.txt"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(core::ListFileEntries(c.listPath, "a.txt\n"),
              std::vector<ListEntry>{Send(c.path, true, 1)})
        << c.listPath;
}

}  // namespace
