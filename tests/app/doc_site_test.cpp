#include "app/core/doc_site.h"

#include <gtest/gtest.h>

namespace {

TEST(DocSite, AddressesCrossBetweenTheEngineAndTheProgramsLogic) {
  const std::string root = "/srv/Docs/";
  const std::pair<const char*, const char*> toEngine[] = {
      {"/srv/Docs/DocFrame.htm", "quiro://doc/DocFrame.htm"},
      {"/SRV/DOCS/guide/a b.htm", "quiro://doc/guide/a%20b.htm"},
      {"file:///srv/Docs/x.htm#top", "quiro://doc/x.htm#top"},
      {"/home/user/page.htm", "file:///home/user/page.htm"},
      {"/srv/Docs/.quiro/x", "file:///srv/Docs/.quiro/x"},
      {"file:///home/user/page.htm", "file:///home/user/page.htm"},
      {"https://www.example.com/", "https://www.example.com/"},
  };
  for (const auto& [address, engine] : toEngine) EXPECT_EQ(quiro::EngineAddress(address, root), engine) << address;

  const std::pair<const char*, const char*> toLocal[] = {
      {"quiro://doc/guide/a%20b.htm#sec", "file:///srv/Docs/guide/a%20b.htm#sec"},
      {"quiro://doc/.quiro/search?q=disk", "quiro://doc/.quiro/search?q=disk"},
      {"file:///home/user/page.htm", "file:///home/user/page.htm"},
      {"about:blank", "about:blank"},
  };
  for (const auto& [engine, local] : toLocal) EXPECT_EQ(quiro::LocalAddress(engine, root), local) << engine;
}

}  // namespace
