#include "printall/printer.h"

#include <cups/cups.h>

#include <cstring>

#include "res/strings.h"

namespace printall {

namespace {

// The text attribute `name` of an IPP response; empty when absent.
std::string TextOf(ipp_t* response, const char* name) {
  ipp_attribute_t* attribute = ippFindAttribute(response, name, IPP_TAG_ZERO);
  if (attribute == nullptr) return {};
  const char* text = ippGetString(attribute, 0, nullptr);
  return text != nullptr ? text : std::string();
}

// Asks the scheduler for some attributes of a printer or a job. The caller
// frees the response; null when the scheduler cannot be asked.
ipp_t* Ask(ipp_op_t operation, const char* uriName, const std::string& uri,
           const char* const* attributes, int count) {
  ipp_t* request = ippNewRequest(operation);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, uriName, nullptr, uri.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               cupsUser());
  ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", count,
                nullptr, attributes);
  ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
  if (response != nullptr && ippGetStatusCode(response) > IPP_STATUS_OK_EVENTS_COMPLETE) {
    ippDelete(response);
    return nullptr;
  }
  return response;
}

bool SchedulerAnswers() {
  http_t* http = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                              5000, nullptr);
  if (http == nullptr) return false;
  httpClose(http);
  return true;
}

}  // namespace

PrinterStatus DefaultPrinter() {
  PrinterStatus status;
  cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
  if (dest == nullptr) {
    status.problem = quiro::res::LoadString(SchedulerAnswers() ? quiro::res::IDS_PRINTER_NO_DEFAULT
                                                               : quiro::res::IDS_PRINTER_NO_SERVICE);
    return status;
  }
  status.name = dest->name;
  const char* accepting = cupsGetOption("printer-is-accepting-jobs", dest->num_options, dest->options);
  const char* state = cupsGetOption("printer-state", dest->num_options, dest->options);
  const char* uri = cupsGetOption("printer-uri-supported", dest->num_options, dest->options);
  status.ready = accepting != nullptr && std::strcmp(accepting, "true") == 0;
  status.stopped = state != nullptr && std::strcmp(state, "5") == 0;
  if (!status.ready) {
    // The reason the printer's owner gave when refusing jobs.
    std::string reason;
    static const char* const kWanted[] = {"printer-state-message"};
    if (ipp_t* response = uri != nullptr ? Ask(IPP_OP_GET_PRINTER_ATTRIBUTES, "printer-uri", uri,
                                               kWanted, 1)
                                         : nullptr) {
      reason = TextOf(response, "printer-state-message");
      ippDelete(response);
    }
    status.problem = reason.empty()
                         ? quiro::res::FormatString(quiro::res::IDS_PRINTER_NOT_ACCEPTING, {status.name})
                         : quiro::res::FormatString(quiro::res::IDS_PRINTER_NOT_ACCEPTING_BECAUSE, {status.name, reason});
  }
  cupsFreeDests(1, dest);
  return status;
}

PrintJob SubmitPdf(const std::string& printer, const std::string& path, const std::string& title) {
  PrintJob job;
  cups_option_t* options = nullptr;
  int count = cupsAddOption("document-format", "application/pdf", 0, &options);
  job.id = cupsPrintFile2(CUPS_HTTP_DEFAULT, printer.c_str(), path.c_str(), title.c_str(), count,
                          options);
  cupsFreeOptions(count, options);
  if (job.id == 0) {
    const char* why = cupsLastErrorString();
    job.problem = why != nullptr && *why != '\0' ? std::string(why)
                                                 : quiro::res::LoadString(quiro::res::IDS_PRINTER_JOB_REFUSED);
  }
  return job;
}

JobState QueryJob(int id) {
  JobState state;
  char uri[HTTP_MAX_URI];
  httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0,
                   "/jobs/%d", id);
  static const char* const kWanted[] = {"job-state", "job-printer-state-message",
                                        "job-state-reasons"};
  ipp_t* response = Ask(IPP_OP_GET_JOB_ATTRIBUTES, "job-uri", uri, kWanted, 3);
  if (response == nullptr) return state;  // unknown: not claimed either way
  ipp_attribute_t* jobState = ippFindAttribute(response, "job-state", IPP_TAG_ENUM);
  const int value = jobState != nullptr ? ippGetInteger(jobState, 0) : IPP_JSTATE_PENDING;
  if (value == IPP_JSTATE_COMPLETED) {
    state.outcome = JobOutcome::Printed;
  } else if (value == IPP_JSTATE_CANCELED || value == IPP_JSTATE_ABORTED) {
    state.outcome = JobOutcome::Failed;
    state.problem = TextOf(response, "job-printer-state-message");
    if (state.problem.empty()) {
      state.problem = quiro::res::LoadString(value == IPP_JSTATE_CANCELED ? quiro::res::IDS_PRINTER_JOB_CANCELLED
                                                                           : quiro::res::IDS_PRINTER_JOB_ABORTED);
    }
  }
  ippDelete(response);
  return state;
}

}  // namespace printall
