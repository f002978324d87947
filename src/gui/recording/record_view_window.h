#pragma once

// The recording window "Macro Recorder". It only lays out the controls and forwards their events
// to TRecordViewCtrl.

#include <QDialog>
#include <memory>
#include <utility>
#include <vector>

#include "gui/recording/action_editor.h"
#include "gui/recording/record_view_ctrl.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QToolButton;
class QWidget;

namespace zorvel {

// The dialogs the real window opens: TDefineForm and TfmRecordConfig, modal to the window.
class TRecordViewDialogs : public IRecordViewDialogs {
 public:
  TRecordViewDialogs(TEditorServices editor, QWidget* parent) : editor_(editor), parent_(parent) {}
  bool RunActionEditor(const std::string& caption, const TActionObj* shown,
                       TActionObj& target) override;
  bool RunNewActionEditor(std::vector<TActionObj>& actions) override;
  bool RunRecordConfig(TRecordSettings& settings, const TKeyWarning& warning) override;

 private:
  TEditorServices editor_;
  QWidget* parent_;
};

class TFMRecordView : public QDialog {
  Q_OBJECT
 public:
  // `dialogs` null: the real editor and options dialogs.
  TFMRecordView(TRecordServices services, TActionCtrlPtr macro, QWidget* parent = nullptr,
                IRecordViewDialogs* dialogs = nullptr);
  ~TFMRecordView() override;

  TRecordViewCtrl& Ctrl() { return *ctrl_; }
  int FocusedRow() const;
  void FocusRow(int row);

  void FormShow();
  void btnStartClick();
  void btnStopClick();
  void btnConfigClick();
  void btnNewClick();
  void btnEditClick();
  void btnDeleteClick();
  void btnClearClick();
  void btnQuitClick();
  void sbUpClick();
  void sbDownClick();
  void btnOKClick();
  void btnCancelClick();

  QWidget* MainPanel;
  QToolButton *btnStart, *btnStop, *btnConfig, *btnNew, *btnEdit, *btnDelete, *btnClear, *btnQuit;
  QToolButton *sbUp, *sbDown;
  QTableView* VT;
  // Which keys start and stop a recording, under the tool bar.
  QLabel* lbHotkeys;
  QLineEdit* edName;
  QPushButton *btnOK, *btnCancel;

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;
  // Cancel, Quit, Esc and the close box: asks before changed actions are thrown away.
  void reject() override;

 private:
  QWidget* BuildToolPanel();
  QWidget* BuildList();
  QWidget* BuildBottom();
  void SetRecordingState(bool recording);
  // Runs a handler; what escapes it is shown in the main window's status bar.
  bool Guard(const char* where, const std::function<void()>& handler);
  // While recording the window takes no keyboard input: it is minimised and none of its controls
  // takes the focus, so what the user types goes to the window they type into.
  void StepAside(bool recording);
  void ShowHotkeys();

  std::unique_ptr<TRecordViewDialogs> ownDialogs_;
  TReportSink showStatus_;
  std::unique_ptr<TRecordViewCtrl> ctrl_;
  // The controls that give up the focus while recording, with the policy they take back.
  std::vector<std::pair<QWidget*, Qt::FocusPolicy>> focusPolicies_;
  bool shown_ = false;
};

}  // namespace zorvel
