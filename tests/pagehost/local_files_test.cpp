// What the host serves: the page's folder and below, nothing outside it; media types by
// extension.

#include "pagehost/local_files.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

struct RequestCase {
  const char* request;
  std::optional<std::string> served;
};

TEST(LocalFiles, ServesThePageFolderAndBelowOnly) {
  const RequestCase cases[] = {
      {"/srv/rig/page.hta", "/srv/rig/page.hta"},
      {"/srv/rig/lib/common.js", "/srv/rig/lib/common.js"},
      {"/srv/rig/./lib/../img/a.gif", "/srv/rig/img/a.gif"},
      {"/srv/rig/../secret.txt", std::nullopt},
      {"/srv/rig2/page.hta", std::nullopt},
      {"/srv/rig", std::nullopt},
      {"/etc/passwd", std::nullopt},
      {"relative/page.hta", std::nullopt},
      {"", std::nullopt},
  };
  for (const RequestCase& c : cases) {
    EXPECT_EQ(pagehost::ResolveLocalRequest("/srv/rig", c.request), c.served) << c.request;
  }
}

TEST(LocalFiles, MediaTypesByExtensionInAnyCase) {
  EXPECT_EQ(pagehost::MediaTypeOf("/r/Page.HTA"), "text/html");
  EXPECT_EQ(pagehost::MediaTypeOf("/r/index.htm"), "text/html");
  EXPECT_EQ(pagehost::MediaTypeOf("/r/rig.JS"), "text/javascript");
  EXPECT_EQ(pagehost::MediaTypeOf("/r/logo.gif"), "image/gif");
  EXPECT_EQ(pagehost::MediaTypeOf("/r/data.bin"), "application/octet-stream");
  EXPECT_EQ(pagehost::MediaTypeOf("/r/noextension"), "application/octet-stream");
  EXPECT_TRUE(pagehost::IsPageFile("/r/a.hta"));
  EXPECT_FALSE(pagehost::IsPageFile("/r/a.js"));
  EXPECT_TRUE(pagehost::IsScriptFile("/r/a.js"));
}

}  // namespace
