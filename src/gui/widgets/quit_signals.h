#pragma once

class QWidget;

namespace zorvel {

// SIGTERM, SIGINT and SIGHUP close `window` as its close box would, so the shutdown sequence runs
// (the run stops, the settings are saved). The window must outlive the program's event loop.
void CloseOnQuitSignals(QWidget& window);

}  // namespace zorvel
