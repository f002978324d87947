#pragma once

// The tray icon, shown when the desktop has a tray. Its picture tells whether a macro plays or a
// recording runs; its menu runs any macro, stops the run, shows or hides the main window and
// exits. It only forwards the menu's commands.

#include <QObject>
#include <functional>
#include <string>
#include <vector>

#include "gui/widgets/tool_icons.h"

class QMenu;
class QSystemTrayIcon;

namespace zorvel {

struct TTrayCommands {
  std::function<std::vector<std::string>()> macroNames;  // in list order, read as the menu opens
  std::function<void(int index)> run;
  std::function<void()> stop;
  std::function<void()> showOrHide;
  std::function<void()> exit;
};

// The tray menu: "Run" with one entry per macro, "Stop", "Show/Hide main window", "Exit".
class TTrayMenu : public QObject {
  Q_OBJECT
 public:
  explicit TTrayMenu(TTrayCommands commands, QObject* parent = nullptr);
  ~TTrayMenu() override;
  QMenu* Menu() const { return menu_; }
  // Fills the "Run" entries from the macro names (done each time the menu opens).
  void Refresh();

 private:
  TTrayCommands commands_;
  QMenu* menu_;
  QMenu* runMenu_;
};

class TTrayIcon : public QObject {
  Q_OBJECT
 public:
  // Whether the desktop has a tray to show an icon in.
  static bool Available();
  TTrayIcon(TTrayCommands commands, QObject* parent = nullptr);
  void SetActivity(TActivity activity);
  TActivity Activity() const { return activity_; }
  TTrayMenu& Menu() { return *menu_; }

 private:
  TTrayMenu* menu_;
  QSystemTrayIcon* icon_;
  TActivity activity_ = TActivity::Idle;
};

}  // namespace zorvel
