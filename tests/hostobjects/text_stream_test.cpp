// Text files through the file system object, byte for byte: CP932 by default, UTF-16LE with a
// byte-order mark for Unicode, CR LF line ends, appending, and the ends of streams.

#include "host_object_calls.h"

namespace hostobjects_testing {
namespace {

class TextStreamTest : public RigFolder {
 protected:
  void SetUp() override {
    RigFolder::SetUp();
    fso_ = Create(u"Scripting.FileSystemObject");
  }
  Ref<Dispatch> Open(const std::u16string& name, int iomode, bool create = false, int format = 0) {
    auto stream = Call(*fso_, u"OpenTextFile", {S(name), I(iomode), B(create), I(format)});
    EXPECT_TRUE(stream) << Text(stream);
    return ObjectOf(stream);
  }
  Ref<Dispatch> fso_;
};

// "日本語" in CP932 and in UTF-16LE.
constexpr char kNihongoCp932[] = "\x93\xfa\x96\x7b\x8c\xea";
const std::string kNihongoUtf16("\xe5\x65\x2c\x67\x9e\x8a", 6);

TEST_F(TextStreamTest, WritesCp932ByDefaultAndUtf16WithAByteOrderMarkForUnicode) {
  struct Case {
    std::vector<Variant> createArgs;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {{S(u"C:\\ansi.txt")}, std::string(kNihongoCp932) + "A\r\n\r\n\r\nend"},
      {{S(u"C:\\ansi.txt"), B(true), B(false)}, std::string(kNihongoCp932) + "A\r\n\r\n\r\nend"},
      {{S(u"C:\\wide.txt"), B(true), B(true)},
       std::string("\xff\xfe") + kNihongoUtf16 +
           std::string("A\0\r\0\n\0\r\0\n\0\r\0\n\0e\0n\0d\0", 20)},
  };
  for (const Case& c : cases) {
    auto stream = ObjectOf(Call(*fso_, u"CreateTextFile", c.createArgs));
    ASSERT_TRUE(stream);
    ASSERT_TRUE(Call(*stream, u"WriteLine", {S(u"日本語A")}));
    ASSERT_TRUE(Call(*stream, u"WriteBlankLines", {I(2)}));
    ASSERT_TRUE(Call(*stream, u"Write", {S(u"end")}));
    EXPECT_EQ(Text(Get(*stream, u"Line")), "4");
    EXPECT_EQ(Text(Get(*stream, u"Column")), "4");
    EXPECT_EQ(ErrorNumber(Call(*stream, u"ReadLine")), 54);
    ASSERT_TRUE(Call(*stream, u"Close"));
    const std::string name =
        Text(c.createArgs[0]) == "C:\\ansi.txt" ? "drive/ansi.txt" : "drive/wide.txt";
    EXPECT_EQ(Read(name), c.expected) << name;
  }
}

TEST_F(TextStreamTest, ReadsCp932AndUtf16FilesAndEveryLineEnd) {
  Write("drive/ansi.txt", std::string(kNihongoCp932) + "\r\nLF\nCR\rlast");
  Write("drive/wide.txt", std::string("\xff\xfe") + kNihongoUtf16 + std::string("\r\0\n\0x\0", 6));
  auto ansi = Open(u"C:\\ANSI.TXT", 1);
  ASSERT_TRUE(ansi);
  EXPECT_EQ(Text(Call(*ansi, u"ReadLine")), "日本語");
  EXPECT_EQ(Text(Get(*ansi, u"Line")), "2");
  EXPECT_EQ(Text(Call(*ansi, u"ReadLine")), "LF");
  EXPECT_EQ(Text(Call(*ansi, u"Read", {I(1)})), "C");
  EXPECT_EQ(Text(Get(*ansi, u"Column")), "2");
  EXPECT_EQ(Text(Get(*ansi, u"AtEndOfLine")), "False");
  EXPECT_EQ(Text(Call(*ansi, u"Read", {I(1)})), "R");
  EXPECT_EQ(Text(Get(*ansi, u"AtEndOfLine")), "True");
  EXPECT_TRUE(Call(*ansi, u"SkipLine"));
  EXPECT_EQ(Text(Call(*ansi, u"ReadAll")), "last");
  EXPECT_EQ(Text(Get(*ansi, u"AtEndOfStream")), "True");
  EXPECT_EQ(ErrorNumber(Call(*ansi, u"ReadLine")), 62);
  EXPECT_EQ(ErrorNumber(Call(*ansi, u"ReadAll")), 62);
  EXPECT_EQ(ErrorNumber(Call(*ansi, u"Write", {S(u"x")})), 54);

  auto wide = Open(u"C:\\wide.txt", 1, false, -1);
  ASSERT_TRUE(wide);
  EXPECT_EQ(Text(Call(*wide, u"ReadLine")), "日本語");
  EXPECT_EQ(Text(Call(*wide, u"ReadAll")), "x");
  // The default format reads the same file as CP932 bytes, as the original does.
  auto asAnsi = Open(u"C:\\wide.txt", 1);
  EXPECT_NE(Text(Call(*asAnsi, u"ReadLine")), "日本語");
}

TEST_F(TextStreamTest, AppendingKeepsWhatIsThereAndWritingReplacesIt) {
  Write("drive/log.txt", "first\r\n");
  auto append = Open(u"C:\\log.txt", 8);
  ASSERT_TRUE(Call(*append, u"WriteLine", {S(u"second")}));
  ASSERT_TRUE(Call(*append, u"Close"));
  EXPECT_EQ(Read("drive/log.txt"), "first\r\nsecond\r\n");

  // Appending to a new Unicode file starts it with the byte-order mark; to an existing one not.
  auto created = Open(u"C:\\wide.log", 8, true, -1);
  ASSERT_TRUE(Call(*created, u"Write", {S(u"a")}));
  ASSERT_TRUE(Call(*created, u"Close"));
  auto again = Open(u"C:\\wide.log", 8, true, -1);
  ASSERT_TRUE(Call(*again, u"Write", {S(u"b")}));
  ASSERT_TRUE(Call(*again, u"Close"));
  EXPECT_EQ(Read("drive/wide.log"), std::string("\xff\xfe"
                                                "a\0b\0",
                                                6));

  auto write = Open(u"C:\\log.txt", 2);
  ASSERT_TRUE(Call(*write, u"Write", {S(u"new")}));
  ASSERT_TRUE(Call(*write, u"Close"));
  EXPECT_EQ(Read("drive/log.txt"), "new");
  EXPECT_EQ(ErrorNumber(Call(*fso_, u"OpenTextFile", {S(u"C:\\none.txt"), I(8)})), 53);
}

TEST_F(TextStreamTest, AnEmptyFileIsAtItsEndAtOnce) {
  Write("drive/empty.txt", "");
  auto empty = Open(u"C:\\empty.txt", 1);
  EXPECT_EQ(Text(Get(*empty, u"AtEndOfStream")), "True");
  EXPECT_EQ(Text(Get(*empty, u"AtEndOfLine")), "True");
  EXPECT_EQ(ErrorNumber(Call(*empty, u"ReadLine")), 62);
  EXPECT_EQ(ErrorNumber(Call(*empty, u"Read", {I(1)})), 62);
  // Opened for reading with create, a missing file is made empty.
  auto made = Open(u"C:\\made.txt", 1, true);
  EXPECT_EQ(Text(Get(*made, u"AtEndOfStream")), "True");
  EXPECT_TRUE(std::filesystem::exists(Path("drive/made.txt")));
}

TEST_F(TextStreamTest, FileOpenAsTextStreamReadsTheFile) {
  Write("drive/data.txt", "x\r\n");
  auto file = ObjectOf(Call(*fso_, u"GetFile", {S(u"C:\\data.txt")}));
  auto stream = ObjectOf(Call(*file, u"OpenAsTextStream"));
  ASSERT_TRUE(stream);
  EXPECT_EQ(Text(Call(*stream, u"ReadLine")), "x");
  EXPECT_EQ(Text(Get(*stream, u"AtEndOfStream")), "True");
}

}  // namespace
}  // namespace hostobjects_testing
