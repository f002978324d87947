#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>
#include <tuple>

#include "gui/recording/action_editor.h"
#include "gui/widgets/shared_widgets.h"

// The editor frame's controls and their places; its logic is in action_editor.cpp.

namespace zorvel {

namespace {

// A "Start Capture" button and the X: and Y: fields of a screen point, in the first five columns
// of the grid's first row. Returns the button and the two fields.
std::tuple<QPushButton*, QLineEdit*, QLineEdit*> AddPointFields(QGridLayout* grid,
                                                                const char* captureName,
                                                                const char* xName,
                                                                const char* yName,
                                                                QWidget* parent) {
  QPushButton* capture = NewButton(captureName, "Start Capture", parent);
  QLineEdit* x = NewEdit(xName, "1000", 4, parent);
  QLineEdit* y = NewEdit(yName, "600", 4, parent);
  grid->addWidget(capture, 0, 0);
  grid->addWidget(new QLabel("X:", parent), 0, 1);
  grid->addWidget(x, 0, 2);
  grid->addWidget(new QLabel("Y:", parent), 0, 3);
  grid->addWidget(y, 0, 4);
  return {capture, x, y};
}

// A similarity field: a percentage from 60 to 100 in steps of 5, at 100 to begin with.
TSpinField* NewSimilarField(const char* name, QWidget* parent) {
  auto* field = new TSpinField(name, 3, 60, 100, 5, parent);
  field->Edit()->setText("100");
  return field;
}

}  // namespace

TfrmDefine::TfrmDefine(TEditorServices services, QWidget* parent)
    : QWidget(parent), services_(services) {
  setObjectName("frmDefine");
  timerSetPoint = new QTimer(this);
  timerSetPoint->setObjectName("timerSetPoint");
  timerSetPoint->setInterval(10);
  connect(timerSetPoint, &QTimer::timeout, this, &TfrmDefine::timerSetPointTimer);

  auto* grid = new QGridLayout(this);
  grid->setColumnStretch(1, 1);
  kindGroup = new QButtonGroup(this);
  const std::pair<const char*, const char*> kinds[] = {{"rbClick", "Mouse Click"},
                                                       {"rbMove", "Mouse Move"},
                                                       {"rbKey", "Keystroke "},
                                                       {"rbText", "Type Text"},
                                                       {"rbDelay", "Delay"}};
  QRadioButton** radios[] = {&rbClick, &rbMove, &rbKey, &rbText, &rbDelay};
  QWidget* panels[] = {plClick = BuildClickPanel(), plMove = BuildMovePanel(),
                       plKey = BuildKeyPanel(), plText = BuildTextPanel(),
                       plDelay = BuildDelayPanel()};
  for (int i = 0; i < 5; ++i) {
    auto* radio = new QRadioButton(kinds[i].second, this);
    radio->setObjectName(kinds[i].first);
    connect(radio, &QRadioButton::clicked, this, &TfrmDefine::rbClickClick);
    *radios[i] = radio;
    kindGroup->addButton(radio, i);
    grid->addWidget(radio, i, 0, Qt::AlignTop | Qt::AlignLeft);
    grid->addWidget(panels[i], i, 1);
  }
  for (QRadioButton* radio : {rbCurrent, rbFixed, rbColor, rbBMP})
    connect(radio, &QRadioButton::clicked, this, &TfrmDefine::rbFixedClick);
  connect(btnCapture, &QPushButton::clicked, this, &TfrmDefine::btnCaptureClick);
  connect(SpeedButton2, &QPushButton::clicked, this, &TfrmDefine::btnCaptureClick);
  connect(btnCaptureColor, &QPushButton::clicked, this, &TfrmDefine::btnCaptureColorClick);
  connect(btnBMP, &QPushButton::clicked, this, &TfrmDefine::btnBMPClick);
  connect(btnChord, &QPushButton::clicked, this, &TfrmDefine::btnChordClick);
  for (QLineEdit* edit : {edPX, edPY, edMoveX, edMoveY, edSimilar, edBMPSimilar})
    AttachDigitsFilter(edit);
}

QWidget* TfrmDefine::BuildClickPanel() {
  auto* panel = new QGroupBox(this);
  panel->setObjectName("plClick");
  auto* column = new QVBoxLayout(panel);

  auto* top = new QHBoxLayout;
  cbButton = NewList("cbButton", {"Left Button", "Right Button", "Middle Button"}, panel);
  // The wheel is offered too, so a recorded wheel action keeps its kind when edited.
  cbClick =
      NewList("cbClick",
              {"Single Click", "Double Click", "Button Down", "Button Up", "Button Wheel"}, panel);
  top->addWidget(new QLabel("Mouse", panel));
  top->addWidget(cbButton);
  top->addWidget(new QLabel("Action", panel));
  top->addWidget(cbClick);
  top->addStretch();
  column->addLayout(top);

  auto* bottom = new QHBoxLayout;
  auto* pointBox = new QGroupBox("Click Point", panel);
  auto* pointColumn = new QVBoxLayout(pointBox);
  const std::pair<const char*, const char*> points[] = {{"rbCurrent", "Click where the mouse is"},
                                                        {"rbFixed", "Click on a fixed point"},
                                                        {"rbColor", "Click color block "},
                                                        {"rbBMP", "Click BMP block"}};
  QRadioButton** radios[] = {&rbCurrent, &rbFixed, &rbColor, &rbBMP};
  pointGroup = new QButtonGroup(this);
  for (int i = 0; i < 4; ++i) {
    auto* radio = new QRadioButton(points[i].second, pointBox);
    radio->setObjectName(points[i].first);
    *radios[i] = radio;
    pointGroup->addButton(radio, i);
    pointColumn->addWidget(radio);
  }
  pointColumn->addStretch();
  bottom->addWidget(pointBox);

  // The three groups share one place; only the one of the checked click point shows.
  auto* groups = new QWidget(panel);
  auto* groupColumn = new QVBoxLayout(groups);
  groupColumn->setContentsMargins(0, 0, 0, 0);
  gbPoint = BuildPointGroup();
  gbColor = BuildColorGroup();
  gbBMP = BuildBMPGroup();
  int height = 0;
  int width = 0;
  for (QGroupBox* group : {gbPoint, gbColor, gbBMP}) {
    group->setParent(groups);
    groupColumn->addWidget(group);
    height = std::max(height, group->sizeHint().height());
    width = std::max(width, group->sizeHint().width());
  }
  plWait = BuildWaitRow(groups);
  groupColumn->addWidget(plWait);
  height += plWait->sizeHint().height();
  groupColumn->addStretch();
  groups->setMinimumSize(width, height);
  bottom->addWidget(groups, 1);
  column->addLayout(bottom);
  return panel;
}

QGroupBox* TfrmDefine::BuildPointGroup() {
  auto* group = new QGroupBox("specify click point", this);
  group->setObjectName("gbPoint");
  auto* grid = new QGridLayout(group);
  std::tie(btnCapture, edPX, edPY) = AddPointFields(grid, "btnCapture", "edPX", "edPY", group);
  grid->addWidget(NewNote(group), 1, 0, 1, 5);
  return group;
}

QGroupBox* TfrmDefine::BuildColorGroup() {
  auto* group = new QGroupBox("specify color block", this);
  group->setObjectName("gbColor");
  auto* grid = new QGridLayout(group);
  btnCaptureColor = NewButton("btnCaptureColor", "Start Capture", group);
  edCl = NewEdit("edCl", "", 0, group);
  edCl->setReadOnly(true);
  edCl->setFixedWidth(40);
  edColor = NewEdit("edColor", "clBlack", 0, group);
  edColor->setReadOnly(true);
  edColor->setFixedWidth(110);
  spSimilar = NewSimilarField("edSimilar", group);
  edSimilar = spSimilar->Edit();
  grid->addWidget(btnCaptureColor, 0, 0);
  grid->addWidget(edCl, 0, 1);
  grid->addWidget(edColor, 0, 2, 1, 2);
  grid->addWidget(new QLabel("Color Simliar:", group), 1, 0);
  grid->addWidget(spSimilar, 1, 1, 1, 2);
  grid->addWidget(new QLabel("%", group), 1, 3);
  grid->addWidget(NewNote(group), 2, 0, 1, 4);
  ShowColor("clBlack");
  return group;
}

QGroupBox* TfrmDefine::BuildBMPGroup() {
  auto* group = new QGroupBox("specify bmp", this);
  group->setObjectName("gbBMP");
  auto* grid = new QGridLayout(group);
  btnBMP = NewButton("btnBMP", "Load BMP", group);
  ImageBMP = new QLabel(group);
  ImageBMP->setObjectName("ImageBMP");
  ImageBMP->setAlignment(Qt::AlignCenter);
  auto* scroller = new QScrollArea(group);
  scroller->setWidget(ImageBMP);
  scroller->setWidgetResizable(true);
  scroller->setAlignment(Qt::AlignCenter);
  scroller->setMinimumSize(160, 64);
  spBMPSimilar = NewSimilarField("edBMPSimilar", group);
  edBMPSimilar = spBMPSimilar->Edit();
  grid->addWidget(btnBMP, 0, 0, Qt::AlignTop);
  grid->addWidget(scroller, 0, 1, 1, 3);
  grid->addWidget(new QLabel("BMP Simliar:", group), 1, 0);
  grid->addWidget(spBMPSimilar, 1, 1);
  grid->addWidget(new QLabel("%", group), 1, 2);
  return group;
}

QWidget* TfrmDefine::BuildWaitRow(QWidget* parent) {
  auto* row = new QWidget(parent);
  row->setObjectName("plWait");
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  edWait = NewEdit("edWait", "0", 10, row);
  edWait->setFixedWidth(70);
  cbNotFound = NewList("cbNotFound", {"go on", "stop the macro"}, row);
  layout->addWidget(new QLabel("Wait up to", row));
  layout->addWidget(edWait);
  layout->addWidget(new QLabel("s", row));
  layout->addSpacing(12);
  layout->addWidget(new QLabel("If not found:", row));
  layout->addWidget(cbNotFound);
  layout->addStretch();
  return row;
}

QWidget* TfrmDefine::BuildMovePanel() {
  auto* panel = new QGroupBox(this);
  panel->setObjectName("plMove");
  auto* grid = new QGridLayout(panel);
  std::tie(SpeedButton2, edMoveX, edMoveY) =
      AddPointFields(grid, "SpeedButton2", "edMoveX", "edMoveY", panel);
  grid->addWidget(NewNote(panel), 0, 5);
  grid->setColumnStretch(6, 1);
  return panel;
}

QWidget* TfrmDefine::BuildKeyPanel() {
  auto* panel = new QGroupBox(this);
  panel->setObjectName("plKey");
  auto* column = new QVBoxLayout(panel);
  auto* row = new QHBoxLayout;
  cbKey = NewList("cbKey", {}, panel);
  cbKey->setMinimumWidth(140);
  cbKeyAction = NewList("cbKeyAction", {"Key Down", "Key Up", "Key Press"}, panel);
  row->addWidget(new QLabel("Key", panel));
  row->addWidget(cbKey);
  row->addWidget(new QLabel("Action", panel));
  row->addWidget(cbKeyAction);
  row->addStretch();
  column->addLayout(row);
  auto* chordRow = new QHBoxLayout;
  btnChord = NewButton("btnChord", "Press the keys\u2026", panel);
  lbChord = new QLabel(panel);
  lbChord->setObjectName("lbChord");
  chordRow->addWidget(btnChord);
  chordRow->addWidget(lbChord, 1);
  column->addLayout(chordRow);
  return panel;
}

QWidget* TfrmDefine::BuildTextPanel() {
  auto* panel = new QGroupBox(this);
  panel->setObjectName("plText");
  auto* column = new QVBoxLayout(panel);
  edText = NewEdit("edText", "", 0, panel);
  cbTypeReturn = new QCheckBox("Press Return after the text", panel);
  cbTypeReturn->setObjectName("cbTypeReturn");
  cbTypeReturn->setChecked(true);
  column->addWidget(edText);
  column->addWidget(cbTypeReturn);
  return panel;
}

QWidget* TfrmDefine::BuildDelayPanel() {
  auto* panel = new QGroupBox(this);
  panel->setObjectName("plDelay");
  auto* grid = new QGridLayout(panel);
  struct TField {
    const char* name;
    const char* label;
    const char* initial;
    int maxLength;
    int32_t high;
    TSpinField** spin;
    QLineEdit** edit;
  };
  const TField fields[] = {{"edIntHour", "Hours", "0", 2, 23, &spIntHour, &edIntHour},
                           {"edIntMinute", "Minutes", "0", 2, 59, &spIntMinute, &edIntMinute},
                           {"edIntSecond", "Seconds", "1", 2, 59, &spIntSecond, &edIntSecond},
                           {"edIntTen", "1/10 S", "0", 1, 9, &spIntTen, &edIntTen},
                           {"edIntHud", "1/100 S", "0", 1, 9, &spIntHud, &edIntHud},
                           {"edIntThd", "ms(1/1000 S)", "0", 1, 9, &spIntThd, &edIntThd}};
  int place = 0;
  for (const TField& field : fields) {
    auto* spin = new TSpinField(field.name, field.maxLength, 0, field.high, 1, panel);
    spin->Edit()->setText(field.initial);
    *field.spin = spin;
    *field.edit = spin->Edit();
    const int row = place / 3;
    const int column = (place % 3) * 2;
    grid->addWidget(spin, row, column);
    grid->addWidget(new QLabel(field.label, panel), row, column + 1);
    ++place;
  }
  grid->setColumnStretch(6, 1);
  return panel;
}

}  // namespace zorvel
