#include "app/core/history_steps.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A history of `length` pages standing at `at`, and an engine that loads
// after every step until told the load ended.
struct History {
  History(int pages, int start) : length(pages), at(start) {}
  int length;
  int at;
  bool loading = false;
  int stepsSent = 0;
  quiro::HistorySteps steps;

  void Step(int direction) {
    if (!steps.Ask(direction, loading)) return;
    const bool possible = direction < 0 ? at > 0 : at < length - 1;
    if (possible) {
      at += direction;
      loading = true;
      ++stepsSent;
    }
    steps.Taken(possible, loading);
  }
  void LoadEnds() {
    loading = false;
    if (const int direction = steps.LoadEnded()) Step(direction);
  }
};

struct Row {
  // B Back, F Forward, E the load ends, L another page starts loading, S Stop,
  // N a new page.
  const char* events;
  int length, at;
  int endAt, sent, waiting;
};

TEST(HistorySteps, Table) {
  const Row rows[] = {
      {"B", 3, 2, 1, 1, 0},
      {"BE", 3, 2, 1, 1, 0},
      // Steps asked for while a step loads wait, then go one at a time.
      {"BB", 4, 3, 2, 1, -1},
      {"BBBE", 4, 3, 1, 2, -1},
      {"BBBEE", 4, 3, 0, 3, 0},
      {"FFE", 3, 0, 2, 2, 0},
      // A waiting Back and Forward cancel out.
      {"BBF", 4, 3, 2, 1, 0},
      {"BBFE", 4, 3, 2, 1, 0},
      {"BBFBE", 4, 3, 1, 2, 0},
      // At an end of the history the waiting steps go.
      {"BBBE", 2, 1, 0, 1, 0},
      {"B", 1, 0, 0, 0, 0},
      // A load that is no step is not waited for.
      {"LB", 3, 2, 1, 1, 0},
      {"LBB", 3, 2, 1, 1, -1},
      // Stop and a new page drop what waits.
      {"BBSE", 4, 3, 2, 1, 0},
      {"BBNB", 4, 3, 1, 2, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.events) + " in " + std::to_string(r.length) + " at " + std::to_string(r.at));
    History h(r.length, r.at);
    for (const char* e = r.events; *e; ++e) {
      switch (*e) {
        case 'B': h.Step(-1); break;
        case 'F': h.Step(+1); break;
        case 'E': h.LoadEnds(); break;
        case 'L': h.loading = true; break;
        case 'S': h.steps.DropWaiting(); h.LoadEnds(); break;
        case 'N': h.steps.Reset(); h.loading = true; break;
      }
    }
    EXPECT_EQ(h.at, r.endAt);
    EXPECT_EQ(h.stepsSent, r.sent);
    EXPECT_EQ(h.steps.Waiting(), r.waiting);
  }
}

}  // namespace
