#include "app/doc_scheme.h"

#include <gio/gunixinputstream.h>

#include <memory>
#include <set>
#include <vector>
#include <utility>

#include "app/gobject_ptr.h"
#include "platform/confined.h"
#include "platform/doc_uri.h"
#include "res/strings.h"

namespace quiro {

// Main thread only, as are the requests.
struct CDocScheme::State {
  SiteFn site;
  SearchFn search;
  std::set<std::string> referencedFiles;  // what the pages of quiro://file/ served refer to
};

namespace {

using State = CDocScheme::State;

// What the scheme's registration on a context holds (and frees with it):
// the handler serving the context now, if any, else its fallback.
struct SchemeRoute {
  CDocScheme fallback;
  std::shared_ptr<State> serving;
  std::shared_ptr<State> fallbackState;  // the fallback's

  std::shared_ptr<State> Current() const { return serving ? serving : fallbackState; }
};

constexpr const char* kRouteKey = "quiro-doc-scheme";

SchemeRoute* RouteOf(WebKitWebContext* context) {
  return static_cast<SchemeRoute*>(g_object_get_data(G_OBJECT(context), kRouteKey));
}

// One request on its way: resolved on a worker thread (names are looked up
// in folders, HTML pages read whole, the search page made), answered on the
// main thread.
struct Job {
  std::shared_ptr<State> handler;
  GObjectPtr<WebKitURISchemeRequest> request;
  std::string uri;
  platform::DocSite site;
  std::string origin;  // the request's Origin header, "" without one
  platform::DocReply reply;
  CDocScheme::SearchFn search;  // the handler as it was when the request came
  std::string searchPage;       // for a search: the page made on the worker
};

void FinishWithText(WebKitURISchemeRequest* request, int status, const std::string& type, std::string body) {
  auto* heap = new std::string(std::move(body));
  GBytes* bytes = g_bytes_new_with_free_func(heap->data(), heap->size(),
                                             [](gpointer data) { delete static_cast<std::string*>(data); }, heap);
  const GObjectPtr<GInputStream> stream(g_memory_input_stream_new_from_bytes(bytes));
  const GObjectPtr<WebKitURISchemeResponse> response(
      webkit_uri_scheme_response_new(stream.get(), static_cast<gint64>(g_bytes_get_size(bytes))));
  webkit_uri_scheme_response_set_status(response.get(), static_cast<guint>(status), nullptr);
  webkit_uri_scheme_response_set_content_type(response.get(), type.c_str());
  webkit_uri_scheme_request_finish_with_response(request, response.get());
  g_bytes_unref(bytes);
}

void Answer(Job& job) {
  platform::DocReply& reply = job.reply;
  // Before the page reaches the engine, which then asks for what it names.
  job.handler->referencedFiles.insert(reply.references.begin(), reply.references.end());
  switch (reply.kind) {
    case platform::DocReply::Kind::File: {
      const GObjectPtr<GInputStream> stream(g_unix_input_stream_new(reply.file.Release(), TRUE));
      const GObjectPtr<WebKitURISchemeResponse> response(
          webkit_uri_scheme_response_new(stream.get(), static_cast<gint64>(reply.size)));
      webkit_uri_scheme_response_set_content_type(response.get(), reply.contentType.c_str());
      webkit_uri_scheme_request_finish_with_response(job.request.get(), response.get());
      return;
    }
    case platform::DocReply::Kind::Search:
      FinishWithText(job.request.get(), 200, "text/html; charset=utf-8", std::move(job.searchPage));
      return;
    case platform::DocReply::Kind::Page:
    case platform::DocReply::Kind::Error:
      FinishWithText(job.request.get(), reply.status, reply.contentType, std::move(reply.body));
      return;
  }
}

// The request's Origin header: the engine sends it with the reads of
// scripts across origins (it sends no Referer to this scheme).
std::string OriginOf(WebKitURISchemeRequest* request) {
  SoupMessageHeaders* headers = webkit_uri_scheme_request_get_http_headers(request);
  const char* origin = headers ? soup_message_headers_get_one(headers, "Origin") : nullptr;
  return origin ? origin : "";
}

platform::DocSite SiteOf(const State& handler) {
  std::shared_ptr<const platform::DocSite> site = handler.site ? handler.site() : nullptr;
  return site ? *site : platform::DocSite{};
}

void OnRequest(WebKitURISchemeRequest* request, gpointer data) {
  std::shared_ptr<State> handler = static_cast<SchemeRoute*>(data)->Current();
  auto* job = new Job{handler, NewRef(request), webkit_uri_scheme_request_get_uri(request), SiteOf(*handler),
                      OriginOf(request), {}, handler->search, {}};
  job->site.referencedFiles = handler->referencedFiles;
  const GObjectPtr<GTask> task(g_task_new(nullptr, nullptr,
                           [](GObject*, GAsyncResult* result, gpointer) {
                             auto* done = static_cast<Job*>(g_task_get_task_data(G_TASK(result)));
                             Answer(*done);
                           },
                           nullptr));
  g_task_set_task_data(task.get(), job, [](gpointer data) { delete static_cast<Job*>(data); });
  g_task_run_in_thread(task.get(), [](GTask* t, gpointer, gpointer data, GCancellable*) {
    auto* j = static_cast<Job*>(data);
    j->reply = platform::ResolveDocRequest(j->uri, j->site, j->origin);
    // A query may take its whole time budget: never on the window's thread.
    if (j->reply.kind == platform::DocReply::Kind::Search) {
      j->searchPage = j->search ? j->search(j->reply.query)
                                : platform::ErrorPage(res::LoadString(res::IDS_SEARCH_TITLE),
                                                      res::LoadString(res::IDS_SEARCH_NOT_AVAILABLE));
    }
    g_task_return_boolean(t, TRUE);
  });
}

}  // namespace

CDocScheme::CDocScheme(SiteFn site) : m_state(std::make_shared<State>()) { m_state->site = std::move(site); }

CDocScheme::~CDocScheme() {
  const GObjectPtr<WebKitWebContext> context = m_context.Get();
  if (context == nullptr) return;
  SchemeRoute* route = RouteOf(context.get());
  if (route != nullptr && route->serving == m_state) route->serving.reset();
}

void CDocScheme::Register(WebKitWebContext* context, SiteFn fallbackSite) {
  if (RouteOf(context) != nullptr) return;
  // The registration owns the route; the context's data only points at it.
  auto* route = new SchemeRoute{CDocScheme(std::move(fallbackSite)), nullptr, nullptr};
  route->fallbackState = route->fallback.m_state;
  g_object_set_data(G_OBJECT(context), kRouteKey, route);
  webkit_web_context_register_uri_scheme(context, platform::kDocScheme, OnRequest, route,
                                         [](gpointer data) { delete static_cast<SchemeRoute*>(data); });
  webkit_security_manager_register_uri_scheme_as_secure(webkit_web_context_get_security_manager(context),
                                                        platform::kDocScheme);
}

void CDocScheme::ServeOn(WebKitWebContext* context) {
  Register(context, nullptr);
  RouteOf(context)->serving = m_state;
  m_context.Reset(context);
}

void CDocScheme::SetSearchHandler(SearchFn search) { m_state->search = std::move(search); }

void CDocScheme::SetSite(SiteFn site) { m_state->site = std::move(site); }

}  // namespace quiro
