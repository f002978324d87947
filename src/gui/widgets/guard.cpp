#include "gui/widgets/guard.h"

#include <exception>
#include <iostream>

namespace zorvel {

namespace {

std::function<void(const std::string&)>& Sink() {
  static std::function<void(const std::string&)> sink;
  return sink;
}

void Report(const std::string& text) {
  std::cerr << "zorvel: " << text << std::endl;
  if (Sink()) Sink()(text);
}

}  // namespace

void SetErrorSink(std::function<void(const std::string&)> sink) {
  Sink() = std::move(sink);
}

bool Guarded(const char* where, const std::function<void()>& handler) {
  try {
    handler();
    return true;
  } catch (const std::exception& error) {
    Report(std::string(where) + ": " + error.what());
  } catch (...) {
    Report(std::string(where) + ": unknown error");
  }
  return false;
}

}  // namespace zorvel
