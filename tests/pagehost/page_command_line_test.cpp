// The host's command line, and the command line the HTML application element reports.

#include "pagehost/page_command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

namespace {

using pagehost::PageCommandLine;

TEST(PageCommandLine, PageArgumentsAndTimeout) {
  auto parsed = pagehost::ParsePageCommandLine({"--timeout", "20", "rig.hta", "5000", "--x"});
  ASSERT_TRUE(std::holds_alternative<PageCommandLine>(parsed));
  const auto& line = std::get<PageCommandLine>(parsed);
  EXPECT_EQ(line.timeoutSeconds, 20);
  EXPECT_EQ(line.page, "rig.hta");
  EXPECT_EQ(line.arguments, (std::vector<std::string>{"5000", "--x"}));

  auto plain = pagehost::ParsePageCommandLine({"rig.html"});
  ASSERT_TRUE(std::holds_alternative<PageCommandLine>(plain));
  EXPECT_FALSE(std::get<PageCommandLine>(plain).timeoutSeconds.has_value());

  auto dashed = pagehost::ParsePageCommandLine({"--", "--odd.hta", "a"});
  ASSERT_TRUE(std::holds_alternative<PageCommandLine>(dashed));
  EXPECT_EQ(std::get<PageCommandLine>(dashed).page, "--odd.hta");
}

TEST(PageCommandLine, MistakesAreNamed) {
  const std::vector<std::vector<std::string>> wrong = {{},
                                                       {"--timeout", "0", "a.hta"},
                                                       {"--timeout", "x", "a.hta"},
                                                       {"--timeout"},
                                                       {"--verbose", "a.hta"},
                                                       {"--timeout", "5"}};
  for (const auto& args : wrong) {
    EXPECT_TRUE(std::holds_alternative<std::string>(pagehost::ParsePageCommandLine(args)))
        << args.size();
  }
}

TEST(PageCommandLine, ApplicationCommandLineQuotesThePageAndBlankArguments) {
  EXPECT_EQ(pagehost::ApplicationCommandLine("/r/rig.hta", {}), "\"/r/rig.hta\"");
  EXPECT_EQ(pagehost::ApplicationCommandLine("/r/my rig.hta", {"5000", "two words", "", "a\"b"}),
            "\"/r/my rig.hta\" 5000 \"two words\" \"\" \"a\\\"b\"");
}

}  // namespace
