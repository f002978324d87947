#include "gui/recording/record_view.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "gui/recording/action_editor.h"
#include "gui/recording/record_config_dlg.h"
#include "gui/recording/record_view_window.h"
#include "gui/widgets/dialog_buttons.h"
#include "gui/widgets/guard.h"
#include "gui/widgets/modal_guard.h"
#include "gui/widgets/shared_widgets.h"
#include "gui/widgets/tool_icons.h"

namespace zorvel {

namespace {

QToolButton* NewToolButton(const char* name, const QString& caption, const QString& hint,
                           QWidget* parent) {
  return NewCommandButton(QString::fromLatin1(name), caption, hint,
                          RecordToolIcon(QString::fromLatin1(name)), 32, parent);
}

QToolButton* NewArrowButton(const char* name, Qt::ArrowType arrow, const QString& hint,
                            QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setArrowType(arrow);
  button->setToolTip(hint);
  return button;
}

QFrame* NewSeparator(QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setFrameShape(QFrame::VLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

}  // namespace

bool TRecordViewDialogs::RunActionEditor(const std::string& caption, const TActionObj* shown,
                                         TActionObj& target) {
  TDefineForm form(editor_, parent_);
  form.setWindowTitle(QString::fromStdString(caption));
  if (shown) form.ShowAction(*shown);
  if (form.exec() != QDialog::Accepted) return false;
  form.FillAction(target);
  return true;
}

bool TRecordViewDialogs::RunNewActionEditor(std::vector<TActionObj>& actions) {
  TDefineForm form(editor_, parent_);
  form.setWindowTitle("New Action");
  if (form.exec() != QDialog::Accepted) return false;
  actions = form.FillActions();
  return true;
}

bool TRecordViewDialogs::RunRecordConfig(TRecordSettings& settings, const TKeyWarning& warning) {
  TfmRecordConfig dialog(settings, parent_, warning);
  return dialog.exec() == QDialog::Accepted;
}

// ---------------------------------------------------------------------------------------------

bool TFMRecordView::Guard(const char* where, const std::function<void()>& handler) {
  return Guarded(where, handler, showStatus_);
}

TFMRecordView::TFMRecordView(TRecordServices services, TActionCtrlPtr macro, QWidget* parent,
                             IRecordViewDialogs* dialogs)
    : QDialog(parent) {
  setObjectName("FMRecordView");
  setWindowTitle("Macro Recorder");
  if (!dialogs) {
    ownDialogs_ = std::make_unique<TRecordViewDialogs>(
        TEditorServices{services.input, services.screen, services.prompt}, this);
    dialogs = ownDialogs_.get();
  }
  showStatus_ = services.showStatus;
  ctrl_ = std::make_unique<TRecordViewCtrl>(std::move(services), std::move(macro), *dialogs);
  ctrl_->SetRecordingObserver([this](bool recording) { SetRecordingState(recording); });

  auto* column = new QVBoxLayout(this);
  column->addWidget(BuildToolPanel());
  lbHotkeys = new QLabel(this);
  lbHotkeys->setObjectName("lbHotkeys");
  lbHotkeys->setWordWrap(true);
  column->addWidget(lbHotkeys);
  column->addWidget(BuildList(), 1);
  column->addWidget(BuildBottom());
  resize(620, 460);
  for (QWidget* widget : {static_cast<QWidget*>(edName), static_cast<QWidget*>(btnOK),
                          static_cast<QWidget*>(btnCancel), static_cast<QWidget*>(VT)})
    focusPolicies_.emplace_back(widget, widget->focusPolicy());
}

TFMRecordView::~TFMRecordView() = default;

QWidget* TFMRecordView::BuildToolPanel() {
  MainPanel = new QFrame(this);
  MainPanel->setObjectName("MainPanel");
  auto* row = new QHBoxLayout(MainPanel);
  row->setContentsMargins(2, 2, 2, 2);
  btnStart = NewToolButton("btnStart", "Start &Record", "Record Mouse Actions", MainPanel);
  btnStop = NewToolButton("btnStop", "&Stop Record", "Record Mouse Actions", MainPanel);
  btnConfig = NewToolButton("btnConfig", "Record C&onfig", "Record Mouse Actions", MainPanel);
  btnNew = NewToolButton("btnNew", "&New", "Create a new Action", MainPanel);
  btnEdit = NewToolButton("btnEdit", "&Edit", "Edit Selected Action", MainPanel);
  btnDelete = NewToolButton("btnDelete", "&Delete", "Delete Selected Action", MainPanel);
  btnClear = NewToolButton("btnClear", "&Clear", "Delete All Actions", MainPanel);
  btnQuit = NewToolButton("btnQuit", "&Quit", "Quit", MainPanel);
  for (QWidget* widget :
       {static_cast<QWidget*>(btnStart), static_cast<QWidget*>(btnStop),
        static_cast<QWidget*>(btnConfig), static_cast<QWidget*>(NewSeparator(MainPanel)),
        static_cast<QWidget*>(btnNew), static_cast<QWidget*>(btnEdit),
        static_cast<QWidget*>(btnDelete), static_cast<QWidget*>(btnClear),
        static_cast<QWidget*>(NewSeparator(MainPanel)), static_cast<QWidget*>(btnQuit)})
    row->addWidget(widget);
  row->addStretch();

  connect(btnStart, &QToolButton::clicked, this, &TFMRecordView::btnStartClick);
  connect(btnStop, &QToolButton::clicked, this, &TFMRecordView::btnStopClick);
  connect(btnConfig, &QToolButton::clicked, this, &TFMRecordView::btnConfigClick);
  connect(btnNew, &QToolButton::clicked, this, &TFMRecordView::btnNewClick);
  connect(btnEdit, &QToolButton::clicked, this, &TFMRecordView::btnEditClick);
  connect(btnDelete, &QToolButton::clicked, this, &TFMRecordView::btnDeleteClick);
  connect(btnClear, &QToolButton::clicked, this, &TFMRecordView::btnClearClick);
  connect(btnQuit, &QToolButton::clicked, this, &TFMRecordView::btnQuitClick);
  return MainPanel;
}

QWidget* TFMRecordView::BuildList() {
  auto* area = new QWidget(this);
  auto* row = new QHBoxLayout(area);
  row->setContentsMargins(0, 0, 0, 0);
  VT = new QTableView(area);
  VT->setObjectName("VT");
  VT->setModel(&ctrl_->Rows());
  VT->setToolTip("Action List.  Double Click to edit ");
  SetUpRowTable(*VT);
  VT->setColumnWidth(0, 80);
  VT->setColumnWidth(1, 120);
  VT->setColumnWidth(2, 300);
  VT->horizontalHeader()->setStretchLastSection(true);
  connect(VT, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
    FocusRow(index.row());
    btnEditClick();
  });
  row->addWidget(VT, 1);

  auto* arrows = new QVBoxLayout;
  sbUp = NewArrowButton("sbUp", Qt::UpArrow, "Move Up", area);
  sbDown = NewArrowButton("sbDown", Qt::DownArrow, "Move Down", area);
  arrows->addStretch();
  arrows->addWidget(sbUp);
  arrows->addWidget(sbDown);
  arrows->addStretch();
  row->addLayout(arrows);
  connect(sbUp, &QToolButton::clicked, this, &TFMRecordView::sbUpClick);
  connect(sbDown, &QToolButton::clicked, this, &TFMRecordView::sbDownClick);
  return area;
}

QWidget* TFMRecordView::BuildBottom() {
  auto* area = new QWidget(this);
  auto* row = new QHBoxLayout(area);
  row->setContentsMargins(0, 0, 0, 0);
  edName = new QLineEdit(area);
  edName->setObjectName("edName");
  auto* label = new QLabel("Macro Name:", area);
  label->setBuddy(edName);
  const TOkCancelButtons buttons =
      NewOkCancelButtons(area, {"btnOK", "OK", "btnCancel", "Cancel"}, this,
                         &TFMRecordView::btnOKClick, &TFMRecordView::btnCancelClick);
  btnOK = buttons.ok;
  btnCancel = buttons.cancel;
  row->addWidget(label);
  row->addWidget(edName, 1);
  row->addWidget(btnOK);
  row->addWidget(btnCancel);
  return area;
}

int TFMRecordView::FocusedRow() const {
  const QModelIndex current = VT->currentIndex();
  return current.isValid() ? current.row() : -1;
}

void TFMRecordView::FocusRow(int row) {
  if (!ctrl_->Rows().IsRow(row)) {
    VT->setCurrentIndex({});
    VT->clearSelection();
    return;
  }
  VT->setCurrentIndex(ctrl_->Rows().index(row, 0));
  VT->selectRow(row);
}

void TFMRecordView::SetRecordingState(bool recording) {
  VT->setEnabled(!recording);
  for (QToolButton* button : MainPanel->findChildren<QToolButton*>())
    button->setEnabled(!recording);
  btnStart->setEnabled(!recording);
  sbUp->setEnabled(!recording);
  sbDown->setEnabled(!recording);
  btnStop->setEnabled(recording);
  StepAside(recording);
}

void TFMRecordView::StepAside(bool recording) {
  for (const auto& [widget, policy] : focusPolicies_)
    widget->setFocusPolicy(recording ? Qt::NoFocus : policy);
  if (!isVisible()) return;
  if (recording) {
    if (QWidget* focused = focusWidget()) focused->clearFocus();
    showMinimized();
  } else if (isMinimized()) {
    showNormal();
    raise();
    activateWindow();
  }
}

void TFMRecordView::ShowHotkeys() {
  const QString start = QString::fromStdString(ctrl_->StartKeyName());
  const QString stop = QString::fromStdString(ctrl_->StopKeyName());
  btnStart->setToolTip(QString("Start recording (%1)").arg(start));
  btnStop->setToolTip(QString("Stop recording (%1)").arg(stop));
  lbHotkeys->setText(QString::fromStdString(ctrl_->HotkeyLine()));
}

void TFMRecordView::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!shown_) {
    shown_ = true;
    FormShow();
  }
}

void TFMRecordView::FormShow() {
  Guard("Macro Recorder", [this] {
    ctrl_->InitView();
    edName->setText(QString::fromStdString(ctrl_->MacroName()));
    ShowHotkeys();
  });
}

void TFMRecordView::done(int result) {
  Guard("Macro Recorder: close", [this] { ctrl_->FormClose(); });
  QDialog::done(result);
}

void TFMRecordView::reject() {
  bool discard = false;
  Guard("Macro Recorder: cancel", [this, &discard] { discard = ctrl_->ConfirmDiscard(); });
  if (discard) QDialog::reject();
}

void TFMRecordView::btnStartClick() {
  Guard("Start Record", [this] { ctrl_->StartRecording(); });
}

void TFMRecordView::btnStopClick() {
  Guard("Stop Record", [this] { ctrl_->StopRecording(); });
}

void TFMRecordView::btnConfigClick() {
  Guard("Record Config", [this] { ctrl_->RecordConfig(); });
  ShowHotkeys();
}

void TFMRecordView::btnNewClick() {
  Guard("New Action", [this] { FocusRow(ctrl_->NewAction(FocusedRow())); });
}

void TFMRecordView::btnEditClick() {
  Guard("Edit Action", [this] { ctrl_->EditAction(FocusedRow()); });
}

void TFMRecordView::btnDeleteClick() {
  Guard("Delete Action", [this] { FocusRow(ctrl_->DeleteAction(FocusedRow())); });
}

void TFMRecordView::btnClearClick() {
  Guard("Clear", [this] { ctrl_->ClearActions(); });
}

void TFMRecordView::btnQuitClick() {
  reject();
}

void TFMRecordView::sbUpClick() {
  Guard("Move Up", [this] { FocusRow(ctrl_->MoveUp(FocusedRow())); });
}

void TFMRecordView::sbDownClick() {
  Guard("Move Down", [this] { FocusRow(ctrl_->MoveDown(FocusedRow())); });
}

void TFMRecordView::btnOKClick() {
  bool saved = false;
  Guard("OK", [this, &saved] { saved = ctrl_->Confirm(edName->text().toStdString()); });
  if (saved) accept();
}

void TFMRecordView::btnCancelClick() {
  reject();
}

// ---------------------------------------------------------------------------------------------

std::shared_ptr<TActionCtrl> ShowRecordView(TRecordServices services,
                                            std::shared_ptr<TActionCtrl> macro, QWidget* parent) {
  TFMRecordView view(std::move(services), std::move(macro), parent);
  if (ExecModal(view) != QDialog::Accepted) return nullptr;
  return view.Ctrl().Macro();
}

}  // namespace zorvel
