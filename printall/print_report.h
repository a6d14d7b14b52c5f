#pragma once
// What a Print All run tells the user at its end: one status-bar line with
// what really happened, and, when pages were lost, the text of a message
// saying which and why.

#include <string>
#include <vector>

struct PrintedPage {
  std::string path;     ///< the page's path as the walk recorded it
  std::string title;    ///< its title; empty when it had none or did not load
  bool sent = false;    ///< handed to the printer (or written to its PDF file)
  std::string problem;  ///< why it was not, as a sentence
  int job = 0;          ///< the printer's job for it, once the printer took it
};

struct PrintRunReport {
  /// Where the pages went: a printer's name, or a folder for PDF files.
  std::string destination;
  /// Set when the run printed nothing because the printer could not take
  /// jobs (checked before the first page).
  std::string refusal;
  std::vector<PrintedPage> pages;
};

/// "Print All: 16 pages sent to Q", "Print All: 14 of 16 pages sent to Q;
/// 2 not printed", "Print All: no page printed: <refusal or reason>".
std::string PrintRunStatus(const PrintRunReport& report);

/// Empty when every page was sent. Otherwise the message: the one reason
/// when it is the same for all lost pages, or each lost page (its number,
/// title or file name) with its reason, at most ten and a count of the rest.
std::string PrintRunProblems(const PrintRunReport& report);
