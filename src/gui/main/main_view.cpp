#include "gui/main/main_view.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <iostream>

#include "gui/main/action_config_dialog.h"
#include "gui/main/hotkey_conflicts.h"
#include "gui/main/runs_window.h"
#include "gui/main/schedule_dialog.h"
#include "gui/widgets/about_box.h"
#include "gui/widgets/guard.h"
#include "gui/widgets/modal_guard.h"
#include "gui/widgets/prompt.h"
#include "gui/widgets/shared_widgets.h"
#include "gui/widgets/tray_icon.h"
#include "model/macro_list_text.h"
#include "playback/run_ctrl.h"
#include "recording/recorder.h"

// The pictures live in the GUI library, whose resource initialiser a linker would drop.
static void InitResources() {
  Q_INIT_RESOURCE(zorvel);
}

namespace zorvel {

namespace {

constexpr int kWindowWidth = 827;
constexpr int kWindowHeight = 453;

// Room for the widest text of the "Repeat Type" column.
constexpr const char* kWidestRepeatType = "till get order";

QString Q(const char* text) {
  return QString::fromUtf8(text);
}

std::string CtrlFKey(int index) {
  return FKeyName("Ctrl", index);
}

// The reports joined into one status line; empty ones left out.
std::string JoinReports(const std::vector<std::string>& reports) {
  std::string line;
  for (const std::string& report : reports) {
    if (report.empty()) continue;
    if (!line.empty()) line += "; ";
    line += report;
  }
  return line;
}

// "Ctrl+F5 is in use by another program"; several keys are listed, three or more in a row as a
// range: "Ctrl+F1 to Ctrl+F12 are in use by another program".
std::string InUseReport(const std::vector<int>& refusedKeys) {
  std::string keys;
  for (size_t first = 0; first < refusedKeys.size();) {
    size_t last = first;
    while (last + 1 < refusedKeys.size() && refusedKeys[last + 1] == refusedKeys[last] + 1) ++last;
    if (!keys.empty()) keys += ", ";
    if (last - first >= 2) {
      keys += CtrlFKey(refusedKeys[first]) + " to " + CtrlFKey(refusedKeys[last]);
      first = last + 1;
    } else {
      keys += CtrlFKey(refusedKeys[first]);
      ++first;
    }
  }
  return keys + (refusedKeys.size() == 1 ? " is" : " are") + " in use by another program";
}

}  // namespace

TFMMainView::TFMMainView(TDesktop desktop, IClock& clock, std::string folder, IPrompt* prompt)
    : desktopNotice_(desktop.notice),
      desktop_(std::move(desktop)),
      clock_(clock),
      folder_(std::move(folder)),
      ownPrompt_(prompt ? nullptr : std::make_unique<TBoxPrompt>(this)),
      prompt_(prompt ? *prompt : *ownPrompt_) {
  InitResources();
  setObjectName(QStringLiteral("FMMainView"));
  setWindowTitle(QStringLiteral("Zorvel"));
  setWindowIcon(QIcon(QStringLiteral(":/zorvel/icons/zorvel.svg")));
  dialogs_.actionConfig = [this](TActionConfig& config, const TKeyWarning& warning) {
    ShowActionConfig(config, warning, this);
  };
  dialogs_.schedule = [this](TActionSchedule& schedule) { ShowSchedule(schedule, this); };
  openUrl_ = [](const std::string& address) {
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
  };
  BuildMenus();
  BuildToolbar();
  BuildList();
  BuildStatusBar();
  Timer1_ = new QTimer(this);
  Timer1_->setInterval(kScheduleTimerMs);
  connect(Timer1_, &QTimer::timeout, this, &TFMMainView::Timer1Timer);

  PlaceOnScreen(*this, QSize(kWindowWidth, kWindowHeight));
}

TFMMainView::~TFMMainView() {
  FormClose();
}

void TFMMainView::SetDialogs(TViewDialogs dialogs) {
  if (!dialogs.actionConfig) dialogs.actionConfig = dialogs_.actionConfig;
  if (!dialogs.schedule) dialogs.schedule = dialogs_.schedule;
  dialogs_ = std::move(dialogs);
  if (ctrl_) ctrl_->ViewCtrl().SetDialogs(dialogs_);
}

void TFMMainView::SetUrlOpener(std::function<bool(const std::string&)> opener) {
  openUrl_ = std::move(opener);
}

void TFMMainView::BuildMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
  QAction* exit = file->addAction(QStringLiteral("Exit"));
  exit->setObjectName(QStringLiteral("Exit1"));
  connect(exit, &QAction::triggered, this, &QWidget::close);
  QAction* runs = menuBar()->addAction(QStringLiteral("Runs"));
  runs->setObjectName(QStringLiteral("mRuns"));
  connect(runs, &QAction::triggered, this, &TFMMainView::RunsClick);
  QAction* about = menuBar()->addAction(QStringLiteral("About"));
  about->setObjectName(QStringLiteral("m1"));
  connect(about, &QAction::triggered, this, &TFMMainView::m1Click);
  QAction* help = menuBar()->addAction(QStringLiteral("Help"));
  help->setObjectName(QStringLiteral("m2"));
  connect(help, &QAction::triggered, this, &TFMMainView::m2Click);
}

QToolButton* TFMMainView::AddToolButton(const char* name, const char* caption, const char* hint,
                                        const char* icon, std::function<void(TViewCtrl&)> command) {
  QToolButton* button =
      NewCommandButton(Q(name), Q(caption), Q(hint),
                       QIcon(QStringLiteral(":/zorvel/icons/%1.svg").arg(Q(icon))), 48);
  button->setFixedSize(68, 74);
  QFont font = button->font();
  font.setBold(true);
  button->setFont(font);
  if (command) {
    connect(button, &QToolButton::clicked, this, [this, name, command] { Forward(name, command); });
  }
  findChild<QToolBar*>()->addWidget(button);
  return button;
}

void TFMMainView::BuildToolbar() {
  auto* toolbar = addToolBar(QStringLiteral("Commands"));
  toolbar->setObjectName(QStringLiteral("ToolBar1"));
  toolbar->setMovable(false);
  toolbar->setFloatable(false);
  toolbar->setIconSize(QSize(48, 48));
  toolbar->toggleViewAction()->setVisible(false);
  setContextMenuPolicy(Qt::NoContextMenu);
  AddToolButton("BtnNew", "&New", "Create a new macro", "new",
                [](TViewCtrl& view) { view.NewMacro(); });
  rowCommands_.push_back(AddToolButton("BtnEdit", "&Edit", "Modify Selected Macro", "edit",
                                       [](TViewCtrl& view) { view.EditMacro(); }));
  rowCommands_.push_back(AddToolButton("BtnDelete", "&Delete", "Delete Selected Macro", "delete",
                                       [](TViewCtrl& view) { view.DeleteMacro(); }));
  rowCommands_.push_back(AddToolButton("btnStart", "&Run", "Start to Run the Selected Macro ",
                                       "run", [](TViewCtrl& view) { view.RunMacro(); }));
  AddToolButton("btnStop", "S&top", "Stop the Running Macro", "stop",
                [](TViewCtrl& view) { view.StopMacro(); });
  rowCommands_.push_back(AddToolButton("btnOptions", "&Config", "Set Macro Config ", "config",
                                       [](TViewCtrl& view) { view.ConfigMacro(); }));
  rowCommands_.push_back(AddToolButton("btnSchedule", "Sc&hedule", "Set Macro Schedule", "schedule",
                                       [](TViewCtrl& view) { view.ScheduleMacro(); }));
  QToolButton* quit = AddToolButton("btnQuit", "E&xit", "Exit the App", "exit", nullptr);
  connect(quit, &QToolButton::clicked, this, &QWidget::close);
}

void TFMMainView::BuildList() {
  VT_ = new QTableView;
  VT_->setObjectName(QStringLiteral("VT"));
  VT_->setModel(&model_);
  SetUpRowTable(*VT_);
  VT_->setWordWrap(false);
  QHeaderView* header = VT_->horizontalHeader();
  header->setSectionsMovable(true);
  header->setSectionResizeMode(QHeaderView::Interactive);
  header->setStretchLastSection(false);
  for (int column = 0; column < kMacroColumnCount; ++column)
    VT_->setColumnWidth(column, kMacroColumnWidths[column]);
  const int repeatTextWidth = VT_->fontMetrics().horizontalAdvance(Q(kWidestRepeatType)) + 12;
  VT_->setColumnWidth(kColumnRepeatType,
                      std::max(kMacroColumnWidths[kColumnRepeatType], repeatTextWidth));
  listView_ = std::make_unique<TMacroListView>(model_, *VT_);
  setCentralWidget(VT_);
  VT_->installEventFilter(this);
  connect(VT_, &QTableView::doubleClicked, this,
          [this] { Forward("BtnEdit", [](TViewCtrl& view) { view.EditMacro(); }); });
  connect(VT_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &TFMMainView::UpdateRowCommands);
  connect(&model_, &QAbstractItemModel::modelReset, this, &TFMMainView::UpdateRowCommands);
  connect(&model_, &QAbstractItemModel::rowsRemoved, this, &TFMMainView::UpdateRowCommands);
  connect(&model_, &QAbstractItemModel::rowsInserted, this, &TFMMainView::UpdateRowCommands);
  UpdateRowCommands();
}

void TFMMainView::UpdateRowCommands() {
  const bool focused = VT_->currentIndex().isValid();
  for (QToolButton* button : rowCommands_) button->setEnabled(focused);
}

bool TFMMainView::eventFilter(QObject* watched, QEvent* event) {
  if (watched != VT_ || event->type() != QEvent::KeyPress)
    return QMainWindow::eventFilter(watched, event);
  const int key = static_cast<QKeyEvent*>(event)->key();
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    Forward("BtnEdit", [](TViewCtrl& view) { view.EditMacro(); });
    return true;
  }
  if (key == Qt::Key_Delete) {
    Forward("BtnDelete", [](TViewCtrl& view) { view.DeleteMacro(); });
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TFMMainView::BuildStatusBar() {
  statusPanel0_ = new QLabel;
  statusPanel0_->setObjectName(QStringLiteral("StatusPanel0"));
  statusPanel0_->setMinimumWidth(100);
  statusPanel1_ = new QLabel;
  statusPanel1_->setObjectName(QStringLiteral("StatusPanel1"));
  statusPanel1_->setFixedWidth(50);
  statusBar()->addWidget(statusPanel0_, 1);
  statusBar()->addWidget(statusPanel1_);
}

QString TFMMainView::StatusText() const {
  return statusPanel0_->text();
}

bool TFMMainView::ScheduleTimerActive() const {
  return Timer1_->isActive();
}

void TFMMainView::ShowStatus(const std::string& text) {
  statusPanel0_->setText(QString::fromStdString(text));
  statusPanel0_->setToolTip(QString::fromStdString(text));
}

bool TFMMainView::Guard(const char* where, const std::function<void()>& handler) {
  return Guarded(where, handler, [this](const std::string& text) { ShowStatus(text); });
}

void TFMMainView::Forward(const char* where, const std::function<void(TViewCtrl&)>& command) {
  const TBusyScope busy;
  Guard(where, [this, &command] {
    if (!ctrl_ || closed_) return;
    command(ctrl_->ViewCtrl());
    ctrl_->FollowRunStopHotkey();
    ctrl_->NotifyRunsChanged();
  });
}

void TFMMainView::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  FormShow();
}

void TFMMainView::RunsClick() {
  Guard("Runs", [this] {
    if (!runsWindow_) runsWindow_ = new TRunsWindow(this);
    RefreshRuns();
    runsWindow_->show();
    runsWindow_->raise();
  });
}

void TFMMainView::RefreshRuns() {
  if (runsWindow_ && ctrl_) runsWindow_->ShowLines(ctrl_->RunCtrl().Log().Lines());
  UpdateTrayIcon();
}

void TFMMainView::CreateTrayIcon() {
  TTrayCommands commands;
  commands.macroNames = [this] {
    std::vector<std::string> names;
    if (ctrl_)
      for (const auto& macro : ctrl_->Macros()) names.push_back(macro->FName);
    return names;
  };
  commands.run = [this](int index) {
    Forward("Tray", [index](TViewCtrl& view) { view.RunListedMacro(static_cast<size_t>(index)); });
  };
  commands.stop = [this] { Forward("Tray", [](TViewCtrl& view) { view.StopMacro(); }); };
  commands.showOrHide = [this] { setVisible(!isVisible()); };
  commands.exit = [this] { close(); };
  tray_ = new TTrayIcon(std::move(commands), this);
}

void TFMMainView::UpdateTrayIcon() {
  if (!tray_ || !ctrl_) return;
  tray_->SetActivity(ctrl_->Recorder().Recording() ? TActivity::Recording
                     : ctrl_->RunCtrl().Running()  ? TActivity::Playing
                                                   : TActivity::Idle);
}

void TFMMainView::closeEvent(QCloseEvent* event) {
  if (DeferCloseWhileBusy(*this)) {
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}

void TFMMainView::FormShow() {
  Guard("Start-up", [this] {
    ctrl_ = std::make_unique<TCtrl>(std::move(desktop_), prompt_, clock_, folder_);
    ctrl_->SetStatusSink([this](const std::string& text) { ShowStatus(text); });
    ctrl_->SetRunsObserver([this] { RefreshRuns(); });
    ctrl_->ViewCtrl().SetView(listView_.get());
    ctrl_->ViewCtrl().SetDialogs(dialogs_);
    ctrl_->LoadSettings();
    ctrl_->LoadMacros();
    const std::vector<int> refused = RegisterHotkeys();
    const std::string report = JoinReports(
        {refused.empty() ? "" : InUseReport(refused), SharedKeysReport(ctrl_->Macros())});
    if (!report.empty()) ShowStatus(report);
    // What this desktop cannot do matters more than which hotkeys it refused.
    if (!desktopNotice_.empty()) ShowStatus(desktopNotice_);
    setWindowTitle(Q(kProductCaption));
    Timer1_->start();
    if (TTrayIcon::Available()) CreateTrayIcon();
  });
}

void TFMMainView::CloseOnSignal() {
  closingOnSignal_ = true;
  close();
}

void TFMMainView::FormClose() {
  if (closed_) return;
  closed_ = true;
  Timer1_->stop();
  if (!ctrl_) return;
  UnregisterHotkeys();
  try {
    ctrl_->Shutdown();
  } catch (const std::exception& error) {
    std::cerr << "zorvel: the settings could not be saved: " << error.what() << std::endl;
    if (!closingOnSignal_)
      prompt_.Warning("Warning", std::string("The settings could not be saved.\n") + error.what());
  }
  model_.SetRows({});
  ctrl_.reset();
}

std::vector<int> TFMMainView::RegisterHotkeys() {
  std::vector<int> refused;
  for (int n = 0; n < kFKeyCount; ++n) {
    const int id = kMacroHotkeyId + n;
    const THotkeyHandler handler = [this, id](uint32_t modifiers, uint32_t vk) {
      WMHotKey(id, modifiers, vk);
    };
    if (!ctrl_->RegisterHotkey(id, MOD_CONTROL, FKeyVk(n), handler)) refused.push_back(n);
    FHotkeyIds.push_back(id);
  }
  return refused;
}

void TFMMainView::UnregisterHotkeys() {
  for (int id : FHotkeyIds) ctrl_->UnregisterHotkey(id);
  FHotkeyIds.clear();
}

void TFMMainView::WMHotKey(int /*id*/, uint32_t modifiers, uint32_t vk) {
  if ((modifiers & ~MOD_ANYEXTRA) != MOD_CONTROL || !IsFKeyVk(vk)) return;
  Forward("Hotkey", [vk](TViewCtrl& view) { view.HotkeyPressed(vk); });
}

void TFMMainView::Timer1Timer() {
  Forward("Schedule check", [](TViewCtrl& view) { view.CheckSchedules(); });
  UpdateTrayIcon();  // a recording starts and ends in the recording window
}

void TFMMainView::m1Click() {
  TAboutBox about(this);
  ExecModal(about);
}

void TFMMainView::m2Click() {
  Guard("Help", [this] {
    if (!openUrl_ || !openUrl_(kHelpAddress))
      ShowStatus(std::string("Could not open ") + kHelpAddress + " in a browser");
  });
}

}  // namespace zorvel
