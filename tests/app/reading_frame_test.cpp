#include "app/core/reading_frame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using quiro::FrameReport;
using quiro::ReadingFrame;

// One event: "top N" (the frameset loaded, N frames), "load NAME HREF",
// "use NAME HREF", "topuse" (the user works in the top document) or "start"
// (a new top document starts loading).
void Apply(ReadingFrame& reading, const std::string& event) {
  if (event == "start") {
    reading.TopStarted();
    return;
  }
  FrameReport report;
  const std::size_t blank = event.find(' ');
  const std::string verb = event.substr(0, blank);
  const std::string rest = blank == std::string::npos ? "" : event.substr(blank + 1);
  if (verb == "top" || verb == "topuse") {
    report.top = true;
    report.kind = verb == "top" ? FrameReport::Kind::Load : FrameReport::Kind::Use;
    report.frames = rest.empty() ? 0 : std::stoi(rest);
    report.href = "file:///docs/DocFrame.htm";
  } else {
    report.kind = verb == "use" ? FrameReport::Kind::Use : FrameReport::Kind::Load;
    report.name = rest.substr(0, rest.find(' '));
    report.href = rest.substr(rest.find(' ') + 1);
  }
  reading.Report(report);
}

struct Row {
  const char* what;
  std::vector<std::string> events;
  const char* name;
  const char* url;
};

TEST(ReadingFrame, Table) {
  const Row rows[] = {
      {"nothing reported", {}, "", ""},
      {"a page without frames", {"top 0"}, "", ""},
      {"frames known before the top document", {"load content c1", "load side s1"}, "", ""},
      {"the content frame at first", {"load side s1", "load content c1", "top 2"}, "content", "c1"},
      {"no content frame, none used", {"load side s1", "load main m1", "top 2"}, "", ""},
      {"the frame used", {"load side s1", "load content c1", "top 2", "use side s1"}, "side", "s1"},
      {"a link loads into a frame", {"load side s1", "load content c1", "top 2", "use side s1", "load content c2"},
       "content", "c2"},
      {"a frame loads its second document", {"load side s1", "load content c1", "top 2", "load side s2"}, "side", "s2"},
      {"a new frame's first load takes nothing over",
       {"load content c1", "top 2", "use content c1", "load extra e1"}, "content", "c1"},
      {"the frame used has no address", {"load content c1", "top 2", "use side "}, "content", "c1"},
      {"the user in the top document changes nothing", {"load content c1", "top 1", "use side s1", "topuse"},
       "side", "s1"},
      {"a new top document forgets the frames", {"load content c1", "top 1", "use side s1", "start"}, "", ""},
      {"and the new frameset starts over",
       {"load content c1", "top 2", "use side s1", "start", "load side s2", "load content c3", "top 2"},
       "content", "c3"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    ReadingFrame reading;
    for (const std::string& event : r.events) Apply(reading, event);
    EXPECT_EQ(reading.Name(), r.name);
    EXPECT_EQ(reading.Url(), r.url);
  }
}

}  // namespace
