// The rewrite of event-function heads: only the heads change, every other byte and every line
// number stays, and in a page only the text inside script elements is touched.

#include "pagehost/event_functions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

struct Case {
  const char* name;
  std::string given;
  std::string expected;
};

class ScriptRewrite : public ::testing::TestWithParam<Case> {};

TEST_P(ScriptRewrite, RewritesHeadsOnly) {
  const Case& c = GetParam();
  const std::string out = pagehost::RewriteEventFunctions(c.given);
  EXPECT_EQ(out, c.expected);
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'),
            std::count(c.given.begin(), c.given.end(), '\n'));
}

INSTANTIATE_TEST_SUITE_P(
    Heads, ScriptRewrite,
    ::testing::Values(
        Case{"plain", "function Sock1::DataArrival(bytesTotal) { x(); }",
             "function Sock1$$DataArrival(bytesTotal) { x(); }"},
        Case{"blanks", "function  Sock1 :: Connect ()\n{}", "function Sock1$$Connect()\n{}"},
        Case{"line_breaks_kept", "function Sock1\n::\nClose2(){}\nf();",
             "function Sock1$$Close2\n\n(){}\nf();"},
        Case{"several", "function a::b(){}\nfunction c::d(e){}\nfunction g(){}",
             "function a$$b(){}\nfunction c$$d(e){}\nfunction g(){}"},
        Case{"dollar_and_digits", "function $x1::_e2(){}", "function $x1$$_e2(){}"},
        Case{"plain_function_untouched", "function go(a, b) { return a::b; }",
             "function go(a, b) { return a::b; }"},
        Case{"keyword_inside_a_name", "myfunction Sock1::Connect()", "myfunction Sock1::Connect()"},
        Case{"no_parenthesis", "function Sock1::Connect", "function Sock1::Connect"},
        Case{"single_colon", "function Sock1:Connect()", "function Sock1:Connect()"},
        Case{"empty", "", ""}),
    [](const ::testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });

TEST(PageRewrite, TouchesScriptElementsAndNothingElse) {
  const std::string page =
      "<html><body><p>function A::B(</p>\n"
      "<SCRIPT language=\"JScript\">function Sock1::Connect() {}</SCRIPT>\n"
      "<p>between</p><script>function Sock1::Close2() {}\n</script>\n"
      "<script src=\"rig.js\"></script>function C::D(</body></html>";
  const std::string expected =
      "<html><body><p>function A::B(</p>\n"
      "<SCRIPT language=\"JScript\">function Sock1$$Connect() {}</SCRIPT>\n"
      "<p>between</p><script>function Sock1$$Close2() {}\n</script>\n"
      "<script src=\"rig.js\"></script>function C::D(</body></html>";
  EXPECT_EQ(pagehost::RewriteEventFunctionsInPage(page), expected);
}

TEST(PageRewrite, AnUnclosedScriptRunsToTheEnd) {
  EXPECT_EQ(pagehost::RewriteEventFunctionsInPage("<script>function a::b(){}"),
            "<script>function a$$b(){}");
  EXPECT_EQ(pagehost::RewriteEventFunctionsInPage("<script"), "<script");
}

TEST(PageRewrite, BytesOfOtherCodePagesPassUnchanged) {
  // Shift_JIS text ("受信") beside a head.
  const std::string page = "<script>// \x8E\xF3\x90\x4D\nfunction S::E(){}</script>";
  EXPECT_EQ(pagehost::RewriteEventFunctionsInPage(page),
            "<script>// \x8E\xF3\x90\x4D\nfunction S$$E(){}</script>");
}

}  // namespace
