#pragma once

// One guard for every event handler: an error that escapes a handler ends that handler, is written
// to stderr and is shown in the main window's status bar, so a failure never passes for success.

#include <functional>
#include <string>

namespace zorvel {

// Where guarded errors are shown besides stderr (the main window's status bar); empty: stderr only.
void SetErrorSink(std::function<void(const std::string&)> sink);

// Runs `handler`; an exception leaving it is reported as "<where>: <message>". Returns false then.
bool Guarded(const char* where, const std::function<void()>& handler);

}  // namespace zorvel
