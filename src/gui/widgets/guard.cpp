#include "gui/widgets/guard.h"

#include <exception>
#include <iostream>

namespace zorvel {

void ReportError(const std::string& text, const TReportSink& sink) {
  std::cerr << "zorvel: " << text << std::endl;
  if (sink) sink(text);
}

bool Guarded(const char* where, const std::function<void()>& handler, const TReportSink& sink) {
  try {
    handler();
    return true;
  } catch (const std::exception& error) {
    ReportError(std::string(where) + ": " + error.what(), sink);
  } catch (...) {
    ReportError(std::string(where) + ": unknown error", sink);
  }
  return false;
}

}  // namespace zorvel
