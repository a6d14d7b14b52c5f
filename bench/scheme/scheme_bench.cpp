// Loading through the document scheme against loading the same files through
// file://, in one process and one web view, alternating:
//   - one large PDF (the main document), from load request to load finished;
//   - a walk over N pages, each loaded after the one before has finished.
// Prints each round, the medians and the ratios scheme / file.
//
//   scheme_bench ROOT PDF_NAME PAGES_FOLDER PAGE_COUNT ROUNDS
// ROOT is the document root (ending in "/"); PDF_NAME and PAGES_FOLDER are
// below it; the pages are named p0000.htm, p0001.htm, ... bench/scheme/run.sh
// makes them and runs this under Xvfb.

#include <gtk/gtk.h>
#include <time.h>
#include <webkit2/webkit2.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/doc_scheme.h"
#include "app/web_engine.h"
#include "platform/doc_uri.h"
#include "platform/paths.h"

namespace {

double Now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

struct Bench {
  WebKitWebView* view = nullptr;
  std::vector<std::string> queue;  // addresses still to load in this run
  double start = 0;
  std::function<void(double)> done;
};

Bench bench;

void LoadNext() {
  const std::string uri = bench.queue.front();
  bench.queue.erase(bench.queue.begin());
  webkit_web_view_load_uri(bench.view, uri.c_str());
}

// Loads every address in turn and hands the time taken to `done`.
void Run(std::vector<std::string> uris, std::function<void(double)> done) {
  bench.queue = std::move(uris);
  bench.done = std::move(done);
  bench.start = Now();
  LoadNext();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: %s ROOT PDF_NAME PAGES_FOLDER PAGE_COUNT ROUNDS\n", argv[0]);
    return 2;
  }
  gtk_init(&argc, &argv);
  static const std::string root = argv[1];
  const std::string pdf = argv[2];
  const std::string folder = argv[3];
  const int pages = std::atoi(argv[4]);
  const int rounds = std::atoi(argv[5]);
  // The program's scheme serving ROOT, registered before SharedWebContext()
  // would register it for the catalogue's root (it hands out this context).
  static const auto site =
      std::make_shared<const platform::DocSite>(platform::DocSite{root, "", platform::DriveCFolder(), {}, {}});
  quiro::CDocScheme::Register(webkit_web_context_get_default(), [] { return site; });

  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window), 1000, 700);
  bench.view = quiro::NewBrowserView().release();  // the program's own kind of view, kept to the end
  gtk_container_add(GTK_CONTAINER(window), GTK_WIDGET(bench.view));
  g_signal_connect(bench.view, "load-changed", G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent event, gpointer) {
                     if (event != WEBKIT_LOAD_FINISHED) return;
                     if (!bench.queue.empty()) {
                       LoadNext();
                     } else if (bench.done) {
                       auto done = std::move(bench.done);
                       bench.done = nullptr;
                       done(Now() - bench.start);
                     }
                   }),
                   nullptr);
  gtk_widget_show_all(window);

  auto both = [&](const std::string& path) {
    return std::pair{platform::PathToFileUrl(path), platform::PathToDocUri(path, root)};
  };
  std::vector<std::string> fileWalk, schemeWalk;
  for (int i = 0; i < pages; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "p%04d.htm", i);
    auto [file, scheme] = both(root + folder + "/" + name);
    fileWalk.push_back(file);
    schemeWalk.push_back(scheme);
  }
  const auto [pdfFile, pdfScheme] = both(root + pdf);

  static std::vector<double> pdfTimes[2], walkTimes[2];
  // Steps in order; each round alternates which way goes first.
  static std::vector<std::function<void()>> steps;
  static std::size_t step = 0;
  static std::function<void()> next = [] {
    if (step < steps.size()) {
      steps[step++]();
    } else {
      gtk_main_quit();
    }
  };
  // A blank page before each PDF, so that every timed load starts afresh.
  for (int r = 0; r < rounds; ++r) {
    for (int k = 0; k < 2; ++k) {
      const int way = (r + k) % 2;  // 0: file://, 1: the scheme
      const std::string pdfUri = way == 0 ? pdfFile : pdfScheme;
      steps.push_back([] { Run({"about:blank"}, [](double) { next(); }); });
      steps.push_back([pdfUri, way, r] {
        Run({pdfUri}, [way, r](double t) {
          pdfTimes[way].push_back(t);
          std::printf("round %d: PDF through %s %.0f ms\n", r + 1, way == 0 ? "file://" : "quiro://", t * 1000);
          std::fflush(stdout);
          next();
        });
      });
    }
    for (int k = 0; k < 2; ++k) {
      const int way = (r + k) % 2;
      const std::vector<std::string>& walk = way == 0 ? fileWalk : schemeWalk;
      steps.push_back([walk, way, r, pages] {
        Run(walk, [way, r, pages](double t) {
          walkTimes[way].push_back(t);
          std::printf("round %d: %d-page walk through %s %.0f ms\n", r + 1, pages,
                      way == 0 ? "file://" : "quiro://", t * 1000);
          std::fflush(stdout);
          next();
        });
      });
    }
  }
  next();
  gtk_main();
  const double pf = Median(pdfTimes[0]), ps = Median(pdfTimes[1]);
  const double wf = Median(walkTimes[0]), ws = Median(walkTimes[1]);
  std::printf("median PDF: file:// %.0f ms, quiro:// %.0f ms, ratio %.2f\n", pf * 1000, ps * 1000, ps / pf);
  std::printf("median %d-page walk: file:// %.0f ms, quiro:// %.0f ms, ratio %.2f\n", pages, wf * 1000, ws * 1000,
              ws / wf);
  return 0;
}
