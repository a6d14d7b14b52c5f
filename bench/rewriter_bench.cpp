// Throughput of the page rewriter against copying the same file the way cp
// does (read and write in large blocks), on a 1 MB page, a 50 MB page and a
// page that is one 50 MB line. Each rewrite starts from a fresh copy of the
// original page (restored outside the timed part), so every pass does the
// full work: read, insert blocks, write, store and replace.
//
//   build/bench/rewriter_bench --benchmark_counters_tabular=true

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "printall/page_rewriter.h"

namespace {

const std::string& BenchFolder() {
  static const std::string folder = [] {
    std::string tmpl = (std::filesystem::temp_directory_path() / "quiro-rewriter-bench-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) std::abort();
    std::atexit([] { std::filesystem::remove_all(BenchFolder()); });
    return tmpl;
  }();
  return folder;
}

void WriteAll(const std::string& path, const std::string& data) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f || std::fwrite(data.data(), 1, data.size(), f) != data.size()) std::abort();
  std::fclose(f);
}

// A documentation page of about `bytes`: paragraphs, plain tables, bordered
// tables and figures, LF line ends.
std::string Page(std::size_t bytes) {
  std::string page = "<html><head><title>Guide</title></head>\n<body bgcolor=\"#ffffee\">\n";
  int n = 0;
  while (page.size() < bytes) {
    page += "<p>Paragraph " + std::to_string(n) +
            " explains a step of the procedure in a sentence of ordinary length.</p>\n";
    if (n % 10 == 0) page += "<table border=\"1\" width=\"100%\">\n<tr><td>cell</td><td>cell</td></tr>\n</table>\n";
    if (n % 10 == 5) {
      page += "<table>\n<tr>\n<td class=\"figure-frame\"><img src=\"f.gif\"></td>\n</tr>\n</table>\n";
    }
    ++n;
  }
  return page + "</body></html>\n";
}

std::string OneLine(std::size_t bytes) {
  std::string line = "<table border=\"1\"><tr>";
  while (line.size() < bytes) line += "<td>one long line of cells without a line break</td>";
  return line + "</tr></table>";
}

const std::string& Original(int kind) {
  static std::string paths[3];
  if (paths[kind].empty()) {
    paths[kind] = BenchFolder() + "/original" + std::to_string(kind) + ".htm";
    WriteAll(paths[kind], kind == 0 ? Page(1 << 20) : kind == 1 ? Page(50 << 20) : OneLine(50 << 20));
  }
  return paths[kind];
}

bool CopyLikeCp(const std::string& from, const std::string& to, bool durable) {
  const int in = open(from.c_str(), O_RDONLY);
  const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (in < 0 || out < 0) std::abort();
  std::vector<char> buf(128 * 1024);
  for (;;) {
    const ssize_t n = read(in, buf.data(), buf.size());
    if (n <= 0) break;
    if (write(out, buf.data(), static_cast<std::size_t>(n)) != n) std::abort();
  }
  if (durable) fsync(out);
  close(in);
  close(out);
  return true;
}

void SetBytes(benchmark::State& state, const std::string& path) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(std::filesystem::file_size(path)));
}

void BM_Rewrite(benchmark::State& state) {
  const std::string& original = Original(static_cast<int>(state.range(0)));
  const std::string page = BenchFolder() + "/page.htm";
  for (auto _ : state) {
    state.PauseTiming();
    // Stored durably, so that the pass's own fsync does not also pay for
    // writing out this copy.
    CopyLikeCp(original, page, true);
    state.ResumeTiming();
    if (RewritePageForPrinting(page) != PrintBreakResult::Rewritten) state.SkipWithError("not rewritten");
  }
  SetBytes(state, original);
}

// The second pass over a rewritten page: read to the first page break, then
// throw the copy away.
void BM_RewriteAlreadyDone(benchmark::State& state) {
  const std::string& original = Original(static_cast<int>(state.range(0)));
  const std::string page = BenchFolder() + "/done.htm";
  CopyLikeCp(original, page, false);
  RewritePageForPrinting(page);
  for (auto _ : state) {
    if (RewritePageForPrinting(page) != PrintBreakResult::Unchanged) state.SkipWithError("changed");
  }
  SetBytes(state, original);
}

void BM_Copy(benchmark::State& state) {
  const std::string& original = Original(static_cast<int>(state.range(0)));
  const std::string target = BenchFolder() + "/copy.htm";
  for (auto _ : state) CopyLikeCp(original, target, false);
  SetBytes(state, original);
}

void BM_CopyDurable(benchmark::State& state) {
  const std::string& original = Original(static_cast<int>(state.range(0)));
  const std::string target = BenchFolder() + "/copy.htm";
  for (auto _ : state) CopyLikeCp(original, target, true);
  SetBytes(state, original);
}

// Arguments: 0 = 1 MB page, 1 = 50 MB page, 2 = one 50 MB line.
#define PAGES ->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()
BENCHMARK(BM_Copy) PAGES;
BENCHMARK(BM_CopyDurable) PAGES;
BENCHMARK(BM_Rewrite) PAGES;
BENCHMARK(BM_RewriteAlreadyDone) PAGES;

}  // namespace

BENCHMARK_MAIN();
