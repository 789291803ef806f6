// The data stream: binary round trips through files, text in each character set byte for byte,
// positions, lines and copies between streams.

#include "host_object_calls.h"

namespace hostobjects_testing {
namespace {

class DataStreamTest : public RigFolder {
 protected:
  Ref<Dispatch> OpenStream(int type, const std::u16string& charset = {}) {
    auto stream = Create(u"ADODB.Stream");
    EXPECT_TRUE(Put(*stream, u"Type", {I(type)}));
    if (!charset.empty()) {
      EXPECT_TRUE(Put(*stream, u"Charset", {S(charset)}));
    }
    EXPECT_TRUE(Call(*stream, u"Open"));
    return stream;
  }
};

TEST_F(DataStreamTest, BinaryRoundTripThroughFiles) {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<char>(i));
  bytes += std::string("\0\r\n\x81", 4);
  Write("drive/in.bin", bytes);
  auto stream = OpenStream(1);
  ASSERT_TRUE(Call(*stream, u"LoadFromFile", {S(u"c:\\IN.BIN")}));
  EXPECT_EQ(Text(Get(*stream, u"Size")), std::to_string(bytes.size()));
  EXPECT_EQ(Text(Get(*stream, u"Position")), "0");
  auto head = Call(*stream, u"Read", {I(3)});
  ASSERT_TRUE(head);
  EXPECT_EQ(head->Vt(), automation::kVtArray | 17);
  EXPECT_EQ(BytesOf(*head), std::string("\0\1\2", 3));
  auto rest = Call(*stream, u"Read");
  EXPECT_EQ(BytesOf(*rest), bytes.substr(3));
  EXPECT_EQ(Text(Get(*stream, u"EOS")), "True");
  EXPECT_TRUE(Call(*stream, u"Read")->IsNull());

  // Written back in two pieces, over and past what is there.
  ASSERT_TRUE(Put(*stream, u"Position", {I(0)}));
  ASSERT_TRUE(Call(*stream, u"Write", {Variant::Bytes({'A', 'B'})}));
  EXPECT_EQ(Text(Get(*stream, u"Position")), "2");
  ASSERT_TRUE(Call(*stream, u"SetEOS"));
  ASSERT_TRUE(Call(*stream, u"Write", {*head}));
  ASSERT_TRUE(Call(*stream, u"SaveToFile", {S(u"C:\\out.bin")}));
  EXPECT_EQ(Text(Get(*stream, u"Position")), "0");
  EXPECT_EQ(Read("drive/out.bin"), std::string("AB\0\1\2", 5));
  EXPECT_EQ(ErrorNumber(Call(*stream, u"SaveToFile", {S(u"C:\\out.bin")})), 3004);
  EXPECT_TRUE(Call(*stream, u"SaveToFile", {S(u"C:\\out.bin"), I(2)}));
  EXPECT_EQ(ErrorNumber(Call(*stream, u"LoadFromFile", {S(u"C:\\none.bin")})), 3002);
  EXPECT_EQ(ErrorNumber(Call(*stream, u"ReadText")), 3219);
  EXPECT_EQ(ErrorNumber(Call(*stream, u"Write", {S(u"text")})), 3001);
  ASSERT_TRUE(Call(*stream, u"Close"));
  EXPECT_EQ(ErrorNumber(Call(*stream, u"Read")), 3704);
}

TEST_F(DataStreamTest, TextInEachCharsetByteForByte) {
  struct Case {
    std::u16string charset;
    std::u16string text;
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {u"shift_jis", u"日本語A",
       "\x93\xfa\x96\x7b\x8c\xea"
       "A\r\n"},
      {u"Shift-JIS", u"ｱ", "\xb1\r\n"},
      {u"utf-8", u"日本語A",
       "\xef\xbb\xbf\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e"
       "A\r\n"},
      {u"unicode", u"日A",
       std::string("\xff\xfe\xe5\x65"
                   "A\0\r\0\n\0",
                   10)},
      {u"us-ascii", u"Aé", "A?\r\n"},
      {u"iso-8859-1", u"Aé", "A\xe9\r\n"},
  };
  for (const Case& c : cases) {
    auto stream = OpenStream(2, c.charset);
    ASSERT_TRUE(Call(*stream, u"WriteText", {S(c.text), I(1)}));
    const std::string name = "drive/" + automation::Utf8FromUtf16(c.charset) + ".txt";
    ASSERT_TRUE(Call(*stream, u"SaveToFile", {S(u"C:\\" + c.charset + u".txt"), I(2)}));
    EXPECT_EQ(Read(name), c.bytes) << name;
    // Read back through a new stream: the mark is skipped, the separator ends the line.
    auto back = OpenStream(2, c.charset);
    ASSERT_TRUE(Call(*back, u"LoadFromFile", {S(u"C:\\" + c.charset + u".txt")}));
    const std::u16string expected = c.charset == u"us-ascii" ? u"A?" : c.text;
    EXPECT_EQ(Text(Call(*back, u"ReadText", {I(-2)})), automation::Utf8FromUtf16(expected)) << name;
    EXPECT_EQ(Text(Get(*back, u"EOS")), "True");
  }
  auto stream = Create(u"ADODB.Stream");
  EXPECT_EQ(ErrorNumber(Put(*stream, u"Charset", {S(u"klingon")})), 3001);
  EXPECT_EQ(Text(Get(*stream, u"Charset")), "Unicode");
}

TEST_F(DataStreamTest, ReadTextByCountAndLineWithEachSeparator) {
  for (int separator : {-1, 10, 13}) {
    auto stream = OpenStream(2, u"shift_jis");
    ASSERT_TRUE(Put(*stream, u"LineSeparator", {I(separator)}));
    ASSERT_TRUE(Call(*stream, u"WriteText", {S(u"日本"), I(1)}));
    ASSERT_TRUE(Call(*stream, u"WriteText", {S(u"second")}));
    ASSERT_TRUE(Put(*stream, u"Position", {I(0)}));
    EXPECT_EQ(Text(Call(*stream, u"ReadText", {I(1)})), "日");
    EXPECT_EQ(Text(Get(*stream, u"Position")), "2");
    EXPECT_EQ(Text(Call(*stream, u"ReadText", {I(-2)})), "本");
    EXPECT_EQ(Text(Call(*stream, u"ReadText")), "second");
    EXPECT_EQ(Text(Call(*stream, u"ReadText")), "");
  }
  auto stream = OpenStream(2);
  EXPECT_EQ(ErrorNumber(Put(*stream, u"LineSeparator", {I(11)})), 3001);
  EXPECT_EQ(ErrorNumber(Call(*stream, u"Read")), 3219);
}

TEST_F(DataStreamTest, CopyToAnotherStreamAndTypeOnlyAtTheStart) {
  auto from = OpenStream(2, u"utf-8");
  ASSERT_TRUE(Call(*from, u"WriteText", {S(u"héllo")}));
  EXPECT_EQ(ErrorNumber(Put(*from, u"Type", {I(1)})), 3219);
  ASSERT_TRUE(Put(*from, u"Position", {I(0)}));
  ASSERT_TRUE(Put(*from, u"Type", {I(1)}));
  ASSERT_TRUE(Put(*from, u"Position", {I(3)}));  // after the byte-order mark
  auto to = OpenStream(1);
  ASSERT_TRUE(Call(*from, u"CopyTo", {Variant::Object(to), I(3)}));
  ASSERT_TRUE(Call(*from, u"CopyTo", {Variant::Object(to)}));
  ASSERT_TRUE(Put(*to, u"Position", {I(0)}));
  EXPECT_EQ(BytesOf(*Call(*to, u"Read")), "h\xc3\xa9llo");
  EXPECT_EQ(ErrorNumber(Call(*from, u"CopyTo", {Variant::Object(Create(u"Scripting.Dictionary"))})),
            3001);
}

}  // namespace
}  // namespace hostobjects_testing
