// Start-up build of document roots of 1,000 to 100,000 documents, described
// by INI sections or by index pages only, against the floor of reading the
// same files once (the INI and every index page, plain reads). A fifth of the
// documents are IMPORTANT, whose category page IMPORTAN.HTM stands in the
// root as importan.htm, and the catalogue's links name INDEX.HTM where the
// file is index.htm: names found only by ignoring case, as in real roots.
//
// Trees are generated once per size under /tmp/quiro-bench (kept between
// runs; delete the folder to regenerate).

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "builder/site_builder.h"
#include "platform/ini.h"

namespace {

namespace fs = std::filesystem;

const char* const kTypes[] = {"MANUALS", "GUIDES", "SYSTEM", "DRIVERS", "IMPORTANT"};
const std::string kBase = "/tmp/quiro-bench";

std::string FolderName(int i) {
  char name[16];
  std::snprintf(name, sizeof name, "D%06d", i);
  return name;
}

void WriteFile(const fs::path& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

std::string Section(const std::string& name, const std::string& body) {
  return "<!--QVXTAG:" + name + " -->\r\n" + body + "\r\n<!--QVXTAG:/" + name + " -->\r\n";
}

std::string Template(const std::string& sections) {
  return "<!--QVXTAG:HEAD -->\r\n<HTML><HEAD><TITLE>Documents</TITLE></HEAD>\r\n<BODY>\r\n"
         "<!--QVXTAG:/HEAD -->\r\n" +
         sections + "<!--QVXTAG:FOOT -->\r\n</BODY>\r\n</HTML>\r\n";
}

// The tree of `count` documents: root/ with the document folders and the
// templates, ini/TOVY.INI with a section per document, pages/TOVY.INI with
// only the root. Returns the tree's folder.
fs::path Tree(int count) {
  const fs::path tree = kBase + "/cased-" + std::to_string(count);
  const fs::path done = tree / "complete";
  if (fs::exists(done)) return tree;
  fs::remove_all(tree);
  const fs::path root = tree / "root";
  fs::create_directories(root);
  fs::create_directories(tree / "ini");
  fs::create_directories(tree / "pages");
  std::string sections;
  for (int i = 0; i < count; ++i) {
    const std::string name = FolderName(i);
    const char* type = kTypes[i % 5];
    fs::create_directory(root / name);
    WriteFile(root / name / "index.htm",
              "<HTML>\r\n<HEAD>\r\n<TITLE>Document " + name +
                  " of the installed set</TITLE>\r\n"
                  "<META name=\"SUBJECT\" content=\"" +
                  type +
                  "\">\r\n"
                  "<META name=\"GENERATOR\" content=\"documentation tools\">\r\n</HEAD>\r\n"
                  "<BODY>\r\n<H1>Document " +
                  name +
                  "</H1>\r\n<P>This page opens the document. "
                  "Its chapters follow from the links below.</P>\r\n</BODY>\r\n</HTML>\r\n");
    sections += "[" + name + "]\r\nTITLE=Document " + name + "\r\nTYPE=" + type + "\r\nLINK=" + name +
                "\\INDEX.HTM\r\n";
  }
  const std::string main = "[MAIN]\r\nDocumentRoot=" + root.string() + "\r\nAutoRebuild=1\r\n";
  WriteFile(tree / "ini" / "TOVY.INI", main + sections);
  WriteFile(tree / "pages" / "TOVY.INI", main);
  WriteFile(root / "sb_in.htm", Template(Section("IMPORTANT", "<A href=\"IMPORTAN.HTM\">Important</A>") +
                                         Section("INTRO", "<A href=\"intro.htm\">Introduction</A>") +
                                         Section("SYSTEM", "<A href=\"sys.htm\">This computer</A>") +
                                         Section("MANUALS", "<A href=\"MANUALS.HTM\">Manuals</A>") +
                                         Section("GUIDES", "<A href=\"GUIDES.HTM\">Guides</A>") +
                                         Section("CONTACT", "<A href=\"CONTACT.HTM\">Contact</A>")));
  WriteFile(root / "sys_in.htm",
            Template(Section("SYSTEM", "<A href=\"QVXTGT\"><IMG src=\"yellow.gif\">System</A>") +
                     Section("DRIVERS", "<A href=\"QVXTGT\"><IMG src=\"yellow.gif\">Drivers</A>")));
  WriteFile(root / "MANUA_IN.HTM", Template(""));
  WriteFile(root / "GUIDE_IN.HTM", Template(""));
  WriteFile(root / "SYSTE_IN.HTM", Template(""));
  WriteFile(root / "DRIVE_IN.HTM", Template(""));
  WriteFile(root / "IMPOR_IN.HTM", Template(""));
  WriteFile(root / "blank_in.htm", Template(""));
  WriteFile(root / "nodocs.htm", "<HTML><BODY>No documents are installed.</BODY></HTML>\r\n");
  WriteFile(root / "DocFrame.htm", "<HTML></HTML>\r\n");
  WriteFile(done, "");
  return tree;
}

void Setup(const fs::path& cwd) {
  fs::create_directories(kBase + "/drive");
  ::setenv("VESK_DRIVE_C", (kBase + "/drive").c_str(), 1);
  if (::chdir(cwd.c_str()) != 0) std::abort();
}

void BM_BuildSite(benchmark::State& state, const char* mode) {
  const int count = static_cast<int>(state.range(0));
  const fs::path tree = Tree(count);
  Setup(tree / mode);
  std::size_t shown = 0;
  for (auto _ : state) {
    platform::ClearIniCache();  // every start-up parses the INI afresh
    BuildSite([&](const std::string& path) { shown += path.size(); });
  }
  benchmark::DoNotOptimize(shown);
  state.counters["per_doc"] =
      benchmark::Counter(static_cast<double>(count),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

std::size_t ReadPlain(const std::string& path, std::string& buffer) {
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return 0;
  std::size_t total = 0;
  for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;) total += static_cast<std::size_t>(n);
  ::close(fd);
  return total;
}

void BM_ReadFloor(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const fs::path tree = Tree(count);
  const std::string ini = (tree / "ini" / "TOVY.INI").string();
  const std::string root = (tree / "root").string() + "/";
  std::string buffer(64 * 1024, '\0');
  for (auto _ : state) {
    std::size_t bytes = ReadPlain(ini, buffer);
    for (int i = 0; i < count; ++i) bytes += ReadPlain(root + FolderName(i) + "/index.htm", buffer);
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["per_doc"] =
      benchmark::Counter(static_cast<double>(count),
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Unit(benchmark::kMillisecond);
  b->Arg(1000)->Arg(10000)->Arg(100000);
  b->MinTime(2.0);
}

BENCHMARK(BM_ReadFloor)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_BuildSite, ini_sections, "ini")->Apply(Sizes);
BENCHMARK_CAPTURE(BM_BuildSite, index_pages, "pages")->Apply(Sizes);

}  // namespace

BENCHMARK_MAIN();
