#include "app/core/doc_site.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

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

  // The link under the pointer, as the status bar names it.
  const std::pair<const char*, const char*> shown[] = {
      {"quiro://doc/guide/a%20b.htm#sec", "guide/a b.htm#sec"},
      {"quiro://file/home/user/p.htm", "/home/user/p.htm"},
      {"file:///home/user/page.htm", "/home/user/page.htm"},
      {"https://www.example.com/a%20b", "https://www.example.com/a%20b"},
      {"mailto:help@example.com", "mailto:help@example.com"},
  };
  for (const auto& [engine, text] : shown) EXPECT_EQ(quiro::LinkTargetText(engine, root), text) << engine;
}

// The files the user opened: every one as chosen for the help-file rule; for
// the scheme only those outside the root, by their real paths. A snapshot
// keeps what it was given, and a new site keeps the opened files.
TEST(SiteHolder, KeepsTheOpenedFilesAcrossSnapshotsAndNewSites) {
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / ("quiro-site-holder-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "root");
  fs::create_directories(dir / "mine");
  dir = fs::canonical(dir);
  for (const char* name : {"root/in.htm", "mine/page.htm"}) std::ofstream(dir / name) << "x";
  fs::create_symlink(dir / "mine/page.htm", dir / "link.htm");
  const std::string root = (dir / "root").string() + "/";

  quiro::SiteHolder site(platform::DocSite{root, "", "/c", {}, {}});
  const auto before = site.Snapshot();
  const std::vector<std::string> served = {(dir / "mine/page.htm").string()};
  const fs::path chosen[] = {
      dir / "link.htm",       // served by the real path it leads to
      dir / "mine/page.htm",  // that path again: once is enough
      dir / "root/in.htm",    // the root's own URL serves it
      dir / "gone.htm",       // nothing to resolve
  };
  for (const fs::path& path : chosen) {
    site.NoteOpened(path.string());
    EXPECT_EQ(site.OpenedPaths().count(path.string()), 1u) << path;
  }
  EXPECT_EQ(site.Snapshot()->openedFiles, served);
  EXPECT_TRUE(before->openedFiles.empty());

  site.Replace(platform::DocSite{"/elsewhere/", "", "/c", {}, {}});
  EXPECT_EQ(site.Root(), "/elsewhere/");
  EXPECT_EQ(site.Snapshot()->openedFiles, served);
  EXPECT_EQ(site.OpenedPaths().size(), 4u);
  EXPECT_EQ(before->root, root);
  fs::remove_all(dir);
}

}  // namespace
