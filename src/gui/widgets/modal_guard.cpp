#include "gui/widgets/modal_guard.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QPointer>
#include <QTimer>

namespace zorvel {

namespace {

int busyScopes = 0;

// Closes `window` from the event loop once nothing is busy any more.
void CloseWhenIdle(QPointer<QWidget> window) {
  QTimer::singleShot(0, window, [window] {
    if (!window) return;
    if (AnyBusy())
      CloseWhenIdle(window);
    else
      window->close();
  });
}

void CancelOpenDialogs() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    auto* dialog = qobject_cast<QDialog*>(window);
    if (dialog && dialog->isVisible()) dialog->done(QDialog::Rejected);
  }
}

// Watches a dialog's parent window for closing while the dialog runs.
class TCloseWatcher : public QObject {
 public:
  explicit TCloseWatcher(QWidget& window) : window_(window) { window_.installEventFilter(this); }
  ~TCloseWatcher() override { window_.removeEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != &window_ || event->type() != QEvent::Close) return false;
    if (!DeferCloseWhileBusy(window_)) return false;
    event->ignore();
    return true;
  }

 private:
  QWidget& window_;
};

}  // namespace

TBusyScope::TBusyScope() {
  ++busyScopes;
}

TBusyScope::~TBusyScope() {
  --busyScopes;
}

bool AnyBusy() {
  return busyScopes > 0;
}

bool DeferCloseWhileBusy(QWidget& window) {
  if (!AnyBusy()) return false;
  CancelOpenDialogs();
  CloseWhenIdle(&window);
  return true;
}

int ExecModal(QDialog& dialog) {
  TBusyScope busy;
  QWidget* parent = dialog.parentWidget();
  if (!parent) return dialog.exec();
  TCloseWatcher watcher(*parent->window());
  return dialog.exec();
}

}  // namespace zorvel
