#pragma once

#include <functional>

class QObject;
class QWidget;

namespace zorvel {

// SIGTERM, SIGINT and SIGHUP call `quit` on the thread of `context`, from its event loop (never
// inside the signal handler). `context` must outlive the program's event loop.
void OnQuitSignals(QObject& context, std::function<void()> quit);

// SIGTERM, SIGINT and SIGHUP close `window` as its close box would, so the shutdown sequence runs
// (the run stops, the settings are saved).
void CloseOnQuitSignals(QWidget& window);

}  // namespace zorvel
