#pragma once

// One guard for every event handler: an error that escapes a handler ends that handler, is written
// to stderr and is shown where the window says (the main window's status bar), so a failure never
// passes for success.

#include <functional>
#include <string>

namespace zorvel {

// Where a window shows a report besides stderr; empty: stderr only.
using TReportSink = std::function<void(const std::string&)>;

// Writes "zorvel: <text>" to stderr and hands `text` to `sink`.
void ReportError(const std::string& text, const TReportSink& sink);

// Runs `handler`; an exception leaving it is reported as "<where>: <message>". Returns false then.
bool Guarded(const char* where, const std::function<void()>& handler, const TReportSink& sink);

}  // namespace zorvel
