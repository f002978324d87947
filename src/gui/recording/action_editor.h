#pragma once

// The action editor: the frame TfrmDefine holds every control and its logic; TDForm is the dialog
// around it ("Click Info", with OK and Cancel); TDefineForm is the one the recording window opens.

#include <QDialog>
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "gui/recording/editor_chord.h"
#include "gui/recording/editor_widgets.h"
#include "model/action.h"
#include "platform/platform.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace zorvel {

class IPrompt;

// What the editor needs of the desktop and of the user.
struct TEditorServices {
  IInput& input;
  IScreen& screen;
  IPrompt& prompt;
};

class TfrmDefine : public QWidget {
  Q_OBJECT
 public:
  TfrmDefine(TEditorServices services, QWidget* parent = nullptr);

  void InitEditor();
  void ActionToControls(const TActionObj& action);
  // Writes every field into `action`. Throws Error naming the first field that does not hold a
  // whole number; `action` is then left as it was.
  void ControlsToAction(TActionObj& action);
  // The actions a New makes: the key-down and key-up actions of a captured chord when the
  // Keystroke kind is chosen, otherwise one action filled as by ControlsToAction.
  std::vector<TActionObj> ControlsToActions();
  // Editing one action: the chord capture, which makes several, is not offered.
  void HideChordCapture();
  void StopCapture();
  // Key handler of the dialog: a key that produces a character ends a capture.
  void CaptureKeyPress(const QString& text);
  static void SetChildrenEnabled(QWidget* container, bool enabled);

  bool CapturingPoint() const { return FCapturingPoint; }
  bool CapturingColor() const { return FCapturingColor; }
  bool CapturingChord() const { return FCapturingChord; }
  const std::optional<TEditorChord>& Chord() const { return FChord; }
  // A key pressed while a chord is being captured (Qt key code and modifier flags): a key that
  // is not a modifier ends the capture with the chord; Escape alone cancels it.
  void ChordKeyPress(int qtKey, uint32_t qtModifiers);
  bool CaptureTimerActive() const;
  // Stops the capture timer without touching the capture flags (the dialog closing).
  void DisableTimer();

  // Handlers of the controls (public so tests drive them as the user would).
  void rbClickClick();
  void rbFixedClick();
  void btnCaptureClick();
  void btnCaptureColorClick();
  void timerSetPointTimer();
  void btnBMPClick();
  void btnChordClick();

  QRadioButton *rbClick, *rbMove, *rbKey, *rbText, *rbDelay;
  QWidget *plClick, *plMove, *plKey, *plText, *plDelay;
  QComboBox *cbButton, *cbClick;
  QRadioButton *rbCurrent, *rbFixed, *rbColor, *rbBMP;
  QGroupBox *gbPoint, *gbColor, *gbBMP;
  QPushButton *btnCapture, *btnCaptureColor, *btnBMP, *SpeedButton2, *btnChord;
  QLabel* lbChord;
  QCheckBox* cbTypeReturn;
  // Shown for the colour and picture click points: how long to wait, and what to do without it.
  QWidget* plWait;
  QLineEdit* edWait;
  QComboBox* cbNotFound;
  QLineEdit *edPX, *edPY, *edCl, *edColor, *edMoveX, *edMoveY, *edText;
  TSpinField *spSimilar, *spBMPSimilar;
  QLineEdit *edSimilar, *edBMPSimilar;
  QLabel* ImageBMP;
  QComboBox *cbKey, *cbKeyAction;
  TSpinField *spIntHour, *spIntMinute, *spIntSecond, *spIntTen, *spIntHud, *spIntThd;
  QLineEdit *edIntHour, *edIntMinute, *edIntSecond, *edIntTen, *edIntHud, *edIntThd;
  QTimer* timerSetPoint;
  // The kind buttons and the click-point buttons, each an exclusive group (ids = the codes).
  QButtonGroup* kindGroup;
  QButtonGroup* pointGroup;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildClickPanel();
  QWidget* BuildMovePanel();
  QWidget* BuildKeyPanel();
  QWidget* BuildTextPanel();
  QWidget* BuildDelayPanel();
  QGroupBox* BuildPointGroup();
  QGroupBox* BuildColorGroup();
  QGroupBox* BuildBMPGroup();
  QWidget* BuildWaitRow(QWidget* parent);
  void AttachDigitsFilter(QLineEdit* edit);
  void ShowColor(const std::string& colorText);
  // Shows the picture held by `bmpText` (base64 of a BMP file); false when it does not decode.
  bool ShowPicture(const std::string& bmpText);
  void WritePicture(TActionObj& action) const;
  void StartCapture(bool& flag);
  // Checks the button of `code` in `group`, or none when no button has that code.
  static void CheckCode(QButtonGroup* group, int code);

  TEditorServices services_;
  bool FCapturingPoint = false;
  bool FCapturingColor = false;
  bool FCapturingChord = false;
  std::optional<TEditorChord> FChord;
  // The picture as stored: base64 of the BMP file's own bytes; empty for no picture.
  std::string FBMPText;
};

class TDForm : public QDialog {
  Q_OBJECT
 public:
  TDForm(TEditorServices services, QWidget* parent = nullptr);

  void ShowAction(const TActionObj& action) {
    frame_->HideChordCapture();
    frame_->ActionToControls(action);
  }
  void FillAction(TActionObj& action) { frame_->ControlsToAction(action); }
  std::vector<TActionObj> FillActions() { return frame_->ControlsToActions(); }
  TfrmDefine& Frame() const { return *frame_; }

  void btnOKClick();
  void btnCancelClick();

  QPushButton* btnOK;
  QPushButton* btnCancel;

 protected:
  void done(int result) override;  // FormClose: every way of closing ends a capture
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  void InstallKeyPreview(QWidget* root);

  TfrmDefine* frame_;
};

// The editor dialog the recording window opens.
class TDefineForm : public TDForm {
  Q_OBJECT
 public:
  using TDForm::TDForm;
};

}  // namespace zorvel
