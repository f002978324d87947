#include "gui/widgets/tray_icon.h"

#include <QMenu>
#include <QSystemTrayIcon>

namespace zorvel {

TTrayMenu::TTrayMenu(TTrayCommands commands, QObject* parent)
    : QObject(parent), commands_(std::move(commands)), menu_(new QMenu), runMenu_(nullptr) {
  menu_->setObjectName("TrayMenu");
  runMenu_ = menu_->addMenu("Run");
  runMenu_->setObjectName("TrayRun");
  QAction* stop = menu_->addAction("Stop");
  stop->setObjectName("TrayStop");
  connect(stop, &QAction::triggered, this, [this] { commands_.stop(); });
  QAction* window = menu_->addAction("Show/Hide main window");
  window->setObjectName("TrayWindow");
  connect(window, &QAction::triggered, this, [this] { commands_.showOrHide(); });
  menu_->addSeparator();
  QAction* exit = menu_->addAction("Exit");
  exit->setObjectName("TrayExit");
  connect(exit, &QAction::triggered, this, [this] { commands_.exit(); });
  connect(menu_, &QMenu::aboutToShow, this, &TTrayMenu::Refresh);
  Refresh();
}

TTrayMenu::~TTrayMenu() {
  delete menu_;  // a menu without a parent widget
}

void TTrayMenu::Refresh() {
  runMenu_->clear();
  const std::vector<std::string> names = commands_.macroNames();
  for (size_t i = 0; i < names.size(); ++i) {
    // "&" would become a mnemonic: doubled, it shows as itself.
    QString text = QString::fromStdString(names[i]).replace('&', "&&");
    QAction* run = runMenu_->addAction(text);
    connect(run, &QAction::triggered, this, [this, i] { commands_.run(static_cast<int>(i)); });
  }
  runMenu_->setEnabled(!names.empty());
}

bool TTrayIcon::Available() {
  return QSystemTrayIcon::isSystemTrayAvailable();
}

TTrayIcon::TTrayIcon(TTrayCommands commands, QObject* parent)
    : QObject(parent),
      menu_(new TTrayMenu(std::move(commands), this)),
      icon_(new QSystemTrayIcon(this)) {
  icon_->setObjectName("TrayIcon");
  icon_->setContextMenu(menu_->Menu());
  icon_->setToolTip("Zorvel");
  icon_->setIcon(ActivityIcon(activity_));
  icon_->show();
}

void TTrayIcon::SetActivity(TActivity activity) {
  if (activity == activity_) return;
  activity_ = activity;
  icon_->setIcon(ActivityIcon(activity));
  icon_->setToolTip(activity == TActivity::Playing     ? "Zorvel: playing"
                    : activity == TActivity::Recording ? "Zorvel: recording"
                                                       : "Zorvel");
}

}  // namespace zorvel
