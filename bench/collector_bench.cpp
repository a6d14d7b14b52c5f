// The link collector on generated documentation sites against plain reads
// of the same files. A site of N pages is one document folder: an index page
// that links every page, each page linking the next, the previous and the
// index, with paragraphs between (about 2 KB a page). File names are lower
// case while the collector's link texts are upper case, so every open goes
// through the case-insensitive name lookup, as it does on real sites.
//
//   build/bench/collector_bench --benchmark_counters_tabular=true

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "platform/files.h"
#include "printall/print_all_run.h"

namespace {

std::string MakeSite(int pages) {
  static std::map<int, std::string> sites;  // pages -> the site's temporary folder
  auto found = sites.find(pages);
  if (found != sites.end()) return found->second + "/guide";
  std::string tmpl = (std::filesystem::temp_directory_path() / "quiro-collector-bench-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) std::abort();
  if (sites.empty()) {
    std::atexit([] {
      for (const auto& site : sites) std::filesystem::remove_all(site.second);
    });
  }
  sites[pages] = tmpl;
  const std::string folder = tmpl + "/guide";
  std::filesystem::create_directories(folder);
  auto write = [](const std::string& path, const std::string& text) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  };
  std::string index = "<html><body>\n";
  for (int i = 0; i < pages; ++i) index += "<a href=\"page" + std::to_string(i) + ".htm\">Page</a><br>\n";
  write(folder + "/index.htm", index + "</body></html>\n");
  for (int i = 0; i < pages; ++i) {
    std::string page = "<html><head><link href=\"style.css\" rel=\"stylesheet\"></head><body>\n";
    page += "<a href=\"page" + std::to_string((i + 1) % pages) + ".htm\">Next</a>\n";
    for (int p = 0; p < 20; ++p) page += "<p>Text of the page that explains one thing after another.</p>\n";
    page += "<a href=\"page" + std::to_string((i + pages - 1) % pages) + ".htm#top\">Previous</a>\n";
    page += "<a href=\"index.htm\">Contents</a>\n</body></html>\n";
    write(folder + "/page" + std::to_string(i) + ".htm", page);
  }
  return folder;
}

void BM_Collector(benchmark::State& state) {
  const std::string folder = MakeSite(static_cast<int>(state.range(0)));
  int recorded = 0;
  for (auto _ : state) {
    PrintAllRun run;
    run.dryRun = true;
    PrintLinkedPages(folder + "/index.htm", run);
    recorded = run.pageCount;
  }
  state.counters["pages"] = recorded;
}

// The walk's worst case: an index page of N links to pages that do not
// exist, so the walk reads the whole index and tries every link. `separator`
// follows each link: "\n" for one link a line, " " for all of them on one
// line, as generated pages often are (every HREF of a line is examined, and
// the line is still read a bounded number of times, not once per link).
void RunDeadLinks(benchmark::State& state, const char* name, const char* separator) {
  const std::string folder = MakeSite(static_cast<int>(state.range(0)));
  const std::string index = folder + "/" + name;
  if (!std::filesystem::exists(index)) {
    std::string text;
    for (int i = 0; i < state.range(0); ++i) text += "<a href=\"gone" + std::to_string(i) + ".htm\">Gone</a>" + separator;
    std::FILE* f = std::fopen(index.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
  }
  for (auto _ : state) {
    PrintAllRun run;
    run.dryRun = true;
    PrintLinkedPages(index, run);
    if (run.pageCount != 1) state.SkipWithError("dead links were recorded");
  }
}

void BM_CollectorDeadLinks(benchmark::State& state) { RunDeadLinks(state, "dead-links.htm", "\n"); }
void BM_CollectorDeadLinksOneLine(benchmark::State& state) {
  RunDeadLinks(state, "dead-links-one-line.htm", " ");
}

// Reading every file of the site once.
void BM_ReadWholeSite(benchmark::State& state) {
  const std::string folder = MakeSite(static_cast<int>(state.range(0)));
  const int pages = static_cast<int>(state.range(0));
  std::string text;
  for (auto _ : state) {
    platform::ReadWholeFile(folder + "/index.htm", text);
    for (int i = 0; i < pages; ++i) platform::ReadWholeFile(folder + "/page" + std::to_string(i) + ".htm", text);
  }
}

// Reading once just the pages the collector records (the index and the
// first 49 pages of the chain).
void BM_ReadRecordedPages(benchmark::State& state) {
  const std::string folder = MakeSite(static_cast<int>(state.range(0)));
  std::string text;
  for (auto _ : state) {
    platform::ReadWholeFile(folder + "/index.htm", text);
    for (int i = 0; i < kPrintAllCapacity - 1; ++i) {
      platform::ReadWholeFile(folder + "/page" + std::to_string(i) + ".htm", text);
    }
  }
}

BENCHMARK(BM_Collector)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CollectorDeadLinks)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CollectorDeadLinksOneLine)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadWholeSite)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadRecordedPages)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
