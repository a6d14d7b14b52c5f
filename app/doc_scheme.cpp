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
namespace {

struct SchemeState {
  CDocScheme::SiteFn registered;
  CDocScheme::SiteFn site;  // the application's, when set
  CDocScheme::SearchFn search;
  std::set<std::string> referencedFiles;  // what the pages of quiro://file/ served refer to
};

SchemeState& State() {
  static auto* state = new SchemeState();
  return *state;
}

// One request on its way: resolved on a worker thread (names are looked up
// in folders, HTML pages read whole), answered on the main thread.
struct Job {
  GObjectPtr<WebKitURISchemeRequest> request;
  std::string uri;
  platform::DocSite site;
  std::string origin;  // the request's Origin header, "" without one
  platform::DocReply reply;
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
  State().referencedFiles.insert(reply.references.begin(), reply.references.end());
  switch (reply.kind) {
    case platform::DocReply::Kind::File: {
      const GObjectPtr<GInputStream> stream(g_unix_input_stream_new(reply.file.Release(), TRUE));
      const GObjectPtr<WebKitURISchemeResponse> response(
          webkit_uri_scheme_response_new(stream.get(), static_cast<gint64>(reply.size)));
      webkit_uri_scheme_response_set_content_type(response.get(), reply.contentType.c_str());
      webkit_uri_scheme_request_finish_with_response(job.request.get(), response.get());
      return;
    }
    case platform::DocReply::Kind::Search: {
      const CDocScheme::SearchFn& search = State().search;
      std::string body = search ? search(reply.query)
                                : platform::ErrorPage(res::LoadString(res::IDS_SEARCH_TITLE),
                                                      res::LoadString(res::IDS_SEARCH_NOT_AVAILABLE));
      FinishWithText(job.request.get(), 200, "text/html; charset=utf-8", std::move(body));
      return;
    }
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

platform::DocSite SiteOfRequest() {
  const CDocScheme::SiteFn& source = State().site ? State().site : State().registered;
  std::shared_ptr<const platform::DocSite> site = source ? source() : nullptr;
  return site ? *site : platform::DocSite{};
}

void OnRequest(WebKitURISchemeRequest* request, gpointer) {
  auto* job = new Job{NewRef(request), webkit_uri_scheme_request_get_uri(request), SiteOfRequest(),
                      OriginOf(request), {}};
  job->site.referencedFiles = State().referencedFiles;
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
    g_task_return_boolean(t, TRUE);
  });
}

}  // namespace

void CDocScheme::Register(WebKitWebContext* context, SiteFn site) {
  static GQuark registered = g_quark_from_static_string("quiro-doc-scheme");
  if (g_object_get_qdata(G_OBJECT(context), registered)) return;
  State().registered = std::move(site);
  g_object_set_qdata(G_OBJECT(context), registered, GINT_TO_POINTER(1));
  webkit_web_context_register_uri_scheme(context, platform::kDocScheme, OnRequest, nullptr, nullptr);
  webkit_security_manager_register_uri_scheme_as_secure(webkit_web_context_get_security_manager(context),
                                                        platform::kDocScheme);
}

void CDocScheme::SetSearchHandler(SearchFn search) { State().search = std::move(search); }

void CDocScheme::SetSite(SiteFn site) { State().site = std::move(site); }

}  // namespace quiro
