#pragma once

// The main window: toolbar, menus, the macro list, the status bar and the schedule timer. Every
// handler forwards to the list controller; the window itself only starts up and shuts down.

#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>

#include "common/version.h"
#include "gui/main/ctrl.h"
#include "gui/main/macro_list_model.h"
#include "gui/main/view_ctrl.h"

class QLabel;
class QTableView;
class QTimer;
class QToolButton;

namespace zorvel {

class TRunsWindow;
class TTrayIcon;

class IClock;
class IPrompt;
class TBoxPrompt;

inline constexpr const char* kHelpAddress = "https://zorvel.org/";
inline constexpr int kScheduleTimerMs = 500;

class TFMMainView : public QMainWindow {
  Q_OBJECT
 public:
  // The desktop parts go to the controller created when the window is first shown. `prompt`
  // (when given) and `clock` must outlive the window; without a prompt message boxes are used.
  TFMMainView(TDesktop desktop, IClock& clock, std::string folder, IPrompt* prompt = nullptr);
  ~TFMMainView() override;

  // Replaces the windows the commands open (set before the window is shown).
  void SetDialogs(TViewDialogs dialogs);
  // Opens a web address (default: the desktop's browser).
  void SetUrlOpener(std::function<bool(const std::string&)> opener);

  // The controller; null before the first showing and after closing.
  TCtrl* Ctrl() const { return ctrl_.get(); }
  QTableView& List() const { return *VT_; }
  QString StatusText() const;
  bool ScheduleTimerActive() const;

  // Closes the window for a quit signal: as the close box would, but with nothing that waits for
  // the user (a failure is written to stderr only).
  void CloseOnSignal();

  // Handlers, public so tests can call them as the toolkit would.
  void FormShow();
  void FormClose();
  void WMHotKey(int id, uint32_t modifiers, uint32_t vk);
  void Timer1Timer();
  void m1Click();
  void m2Click();
  // The "Runs" menu entry: shows the run log window.
  void RunsClick();
  // The run log window; null until first opened.
  TRunsWindow* RunsWindow() const { return runsWindow_; }
  // The tray icon; null when the desktop has no tray.
  TTrayIcon* TrayIcon() const { return tray_; }

 protected:
  void showEvent(QShowEvent* event) override;
  // A close while a command's dialog is open (the program told to quit) cancels the dialogs and
  // closes once the command has returned.
  void closeEvent(QCloseEvent* event) override;
  // The list: Enter opens the focused macro as Edit does, Delete deletes it as Delete does.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildToolbar();
  void BuildMenus();
  void BuildList();
  void BuildStatusBar();
  QToolButton* AddToolButton(const char* name, const char* caption, const char* hint,
                             const char* icon, std::function<void(TViewCtrl&)> command);
  // Runs `command` on the list controller inside the handler guard; nothing without a controller.
  void Forward(const char* where, const std::function<void(TViewCtrl&)>& command);
  // Runs a handler; what escapes it is shown in the status bar.
  bool Guard(const char* where, const std::function<void()>& handler);
  // Enables the commands that need a focused row only while there is one.
  void UpdateRowCommands();
  // Registers Ctrl+F1 ... Ctrl+F12; returns the indexes another program holds.
  std::vector<int> RegisterHotkeys();
  void UnregisterHotkeys();
  void ShowStatus(const std::string& text);
  void RefreshRuns();
  void CreateTrayIcon();
  void UpdateTrayIcon();

  std::string desktopNotice_;  // what the desktop cannot do, shown in the status bar
  TDesktop desktop_;
  IClock& clock_;
  std::string folder_;
  std::unique_ptr<TBoxPrompt> ownPrompt_;
  IPrompt& prompt_;
  TViewDialogs dialogs_;
  std::function<bool(const std::string&)> openUrl_;
  std::unique_ptr<TCtrl> ctrl_;
  TMacroListModel model_;
  std::unique_ptr<TMacroListView> listView_;
  QTableView* VT_ = nullptr;
  std::vector<QToolButton*> rowCommands_;
  QLabel* statusPanel0_ = nullptr;
  QLabel* statusPanel1_ = nullptr;
  QTimer* Timer1_ = nullptr;
  TRunsWindow* runsWindow_ = nullptr;
  TTrayIcon* tray_ = nullptr;
  std::vector<int> FHotkeyIds;
  bool shown_ = false;
  bool closed_ = false;
  bool closingOnSignal_ = false;
};

}  // namespace zorvel
