// `quiro --search QUERY [--limit N]` run as a process: output, exit status,
// the root from the current folder's TOVY.INI, the index in the cache.

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <string>

#include "common/run_program.h"
#include "common/temp_dir.h"

namespace {

using testing_support::ProgramRun;
using testing_support::RunProgram;
using testing_support::TempDir;

TEST(SearchCommandLine, PrintsHitsAndFollowsGrepsExitStatus) {
  TempDir work, docs, cache, drive;
  work.Write("TOVY.INI", "[MAIN]\r\nDocumentRoot=" + docs.path() + "\r\n");
  docs.Write("guide/fan.htm", "<title>Cooling</title><p>The fan spins.</p>");
  docs.Write("guide/psu.htm", "<title>Power</title><p>The fan of the power supply.</p>");
  docs.Write("Search.htm", "<title>Search</title><p>fan</p>");
  auto quiro = [&](const std::vector<std::string>& args) {
    return RunProgram(QUIRO_BINARY, args, {work.path(), {"XDG_CACHE_HOME=" + cache.path(), "VESK_DRIVE_C=" + drive.path()}});
  };
  const ProgramRun hits = quiro({"--search", "FAN"});
  EXPECT_EQ(hits.status, 0) << hits.err;
  EXPECT_EQ(hits.err, "");
  EXPECT_EQ(hits.out, docs.root() + "guide/fan.htm\tCooling\n" + docs.root() + "guide/psu.htm\tPower\n");
  EXPECT_EQ(quiro({"--search", "fan", "--limit", "1"}).out, docs.root() + "guide/fan.htm\tCooling\n");
  EXPECT_EQ(quiro({"--search", "\"supply power\""}).status, 1);
  for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
           {"--search"}, {"--search", "!!!"}, {"--search", "fan", "--limit", "x"}, {"--search", std::string(10000, 'a')}}) {
    const ProgramRun run = quiro(bad);
    EXPECT_EQ(run.status, 2) << bad.back().substr(0, 20);
    EXPECT_NE(run.err, "");
    EXPECT_EQ(run.out, "");
  }
  // The index is in the cache; the root holds only its own files.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(docs.path()), std::filesystem::directory_iterator()), 2);
  EXPECT_TRUE(testing_support::Exists(cache / "quiro/search"));
}

}  // namespace
