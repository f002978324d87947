#pragma once

// Quitting while a modal loop is on the stack. The program is told to quit by closing its main
// window (a quit signal, the window manager); when that happens inside a dialog's modal loop, the
// code that opened the dialog must not find its objects gone once the loop returns. Code that
// runs modal loops on a window's behalf marks itself busy; a close arriving meanwhile cancels
// every open dialog and is carried out only once nothing is busy any more.

class QDialog;
class QWidget;

namespace zorvel {

// Marks the code in its scope busy (scopes nest).
class TBusyScope {
 public:
  TBusyScope();
  ~TBusyScope();
  TBusyScope(const TBusyScope&) = delete;
  TBusyScope& operator=(const TBusyScope&) = delete;
};

bool AnyBusy();

// For a close of `window` that arrives while busy: cancels every open dialog (as Esc would, but
// without asking), closes `window` again once nothing is busy, and returns true; the caller then
// ignores the close. Returns false (and does nothing) when nothing is busy.
bool DeferCloseWhileBusy(QWidget& window);

// Runs `dialog` modally inside a busy scope; a close of its parent window meanwhile is deferred
// as above. Returns what exec() returns.
int ExecModal(QDialog& dialog);

}  // namespace zorvel
