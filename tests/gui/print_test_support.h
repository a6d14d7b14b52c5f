#pragma once
// Helpers of the Print All tests: GTK for the main loop (RunUntil), a small
// document to print, the built program run as a child process, and PDF
// inspection through poppler's command-line tools.

#include <fcntl.h>
#include <gtk/gtk.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/run_program.h"
#include "common/temp_dir.h"
#include "run_until.h"

namespace print_test {

inline bool HaveDisplay() {
  const char* d = std::getenv("DISPLAY");
  return d != nullptr && *d != '\0';
}

/// Initialises GTK once; false when there is no display.
inline bool InitGtk() {
  static const bool ok = HaveDisplay() && gtk_init_check(nullptr, nullptr);
  return ok;
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}

/// Number of pages of a PDF file (pdfinfo), or -1 when it is no PDF.
inline int PdfPageCount(const std::string& file) {
  testing_support::ProgramRun r = testing_support::RunProgram("/usr/bin/pdfinfo", {file});
  if (r.status != 0) return -1;
  for (const std::string& line : Lines(r.out)) {
    if (line.rfind("Pages:", 0) == 0) return std::atoi(line.c_str() + 6);
  }
  return -1;
}

/// Text of pages `first` to `last` of a PDF (all pages with 0, 0).
inline std::string PdfText(const std::string& file, int first = 0, int last = 0) {
  std::vector<std::string> args;
  if (first > 0) {
    args.insert(args.end(), {"-f", std::to_string(first), "-l", std::to_string(last)});
  }
  args.insert(args.end(), {file, "-"});
  return testing_support::RunProgram("/usr/bin/pdftotext", args).out;
}

/// The processes whose parent is `pid` (read from /proc).
inline std::set<pid_t> ChildrenOf(pid_t pid) {
  std::set<pid_t> kids;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    // A process may end between the listing and the read, which then fails
    // with ESRCH: it has no children to count.
    std::string stat;
    const int fd = open((entry.path().string() + "/stat").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    char buffer[4096];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    close(fd);
    if (n <= 0) continue;
    stat.assign(buffer, static_cast<std::size_t>(n));
    std::string::size_type close = stat.rfind(')');
    if (close == std::string::npos) continue;
    int ppid = 0;
    char state = 0;
    if (std::sscanf(stat.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && ppid == pid) {
      kids.insert(static_cast<pid_t>(std::stoi(name)));
    }
  }
  return kids;
}

inline bool ProcessExists(pid_t pid) {
  return std::filesystem::exists("/proc/" + std::to_string(pid));
}

/// A page of the test document: a heading with `mark` (a word that finds it
/// in a PDF's text), some text, then the given body.
inline std::string Page(const std::string& mark, const std::string& body) {
  return "<html><head><title>" + mark + "</title></head>\n<body>\n<h1>" + mark + "</h1>\n" +
         "<p>Some text of " + mark + ".</p>\n" + body + "</body></html>\n";
}

/// Writes a small document below `dir`/DOC and returns the folder: an
/// index linking to two chapters and a page in a sub-folder; chapter 1 holds
/// a bordered table, chapter 2 links back to the index and to a missing page.
inline std::string WriteDocument(const testing_support::TempDir& dir) {
  dir.Write("DOC/index.htm", Page("Indexmark", "<a href=\"ch1.htm\">one</a>\n"
                                                 "<a href=\"ch2.htm#part\">two</a>\n"
                                                 "<a href=\"sub/deep.htm\">deep</a>\n"));
  dir.Write("DOC/ch1.htm",
            Page("Chapterone", "<table BORDER=\"1\">\n<tr><td>Tablecell</td></tr>\n</table>\n"));
  dir.Write("DOC/ch2.htm", Page("Chaptertwo", "<a href=\"index.htm\">back</a>\n"
                                                "<a href=\"missing.htm\">nowhere</a>\n"));
  dir.Write("DOC/sub/deep.htm", Page("Deeppage", "<a href=\"../ch1.htm\">up</a>\n"));
  return dir / "DOC";
}

/// Writes an index linking to `count` pages, "page01.htm" on.
inline std::string WriteLongDocument(const testing_support::TempDir& dir, int count) {
  std::string links;
  for (int i = 1; i <= count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "page%02d.htm", i);
    links += std::string("<a href=\"") + name + "\">" + name + "</a>\n";
    dir.Write(std::string("LONG/") + name, Page("Longpage" + std::to_string(i), ""));
  }
  dir.Write("LONG/index.htm", Page("Longindex", links));
  return dir / "LONG";
}

}  // namespace print_test
