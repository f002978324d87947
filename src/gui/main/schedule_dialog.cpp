#include "gui/main/schedule_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QGridLayout>
#include <QLocale>
#include <QRadioButton>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "gui/widgets/dialog_buttons.h"
#include "gui/widgets/modal_guard.h"
#include "gui/widgets/shared_widgets.h"

namespace zorvel {

namespace {

QTime ToQTime(const TDateTime& when) {
  return QTime(when.hour, when.minute, when.second);
}
QDate ToQDate(const TDateTime& when) {
  return QDate(when.year, when.month, when.day);
}

TDateTime FromQTime(const QTime& time) {
  TDateTime when;
  when.hour = time.hour();
  when.minute = time.minute();
  when.second = time.second();
  return when;
}

TDateTime FromQDate(const QDate& date) {
  TDateTime when;
  when.year = date.year();
  when.month = date.month();
  when.day = date.day();
  return when;
}

QTimeEdit* NewTimePicker(const QString& name) {
  auto* picker = new QTimeEdit;
  picker->setObjectName(name);
  picker->setDisplayFormat(QStringLiteral("HH:mm:ss"));
  return picker;
}

QFrame* NewLine() {
  auto* line = new QFrame;
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

}  // namespace

TfmSchedule::TfmSchedule(TActionSchedule& schedule, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint),
      schedule_(schedule) {
  setObjectName(QStringLiteral("fmSchedule"));
  setWindowTitle(QStringLiteral("Macro Running Schedule"));
  BuildLayout();
  setFixedSize(402, 250);
  SetForm(ScheduleToForm(schedule_));
}

void TfmSchedule::BuildLayout() {
  const QString names[] = {QStringLiteral("rbNone"), QStringLiteral("rbEveryDay"),
                           QStringLiteral("rbEveryWeek"), QStringLiteral("rbEveryMonth"),
                           QStringLiteral("rbOnce")};
  const QString captions[] = {QStringLiteral("None"), QStringLiteral("Every Day"),
                              QStringLiteral("Every Week"), QStringLiteral("Every Month"),
                              QStringLiteral("Once")};
  choiceGroup_ = new QButtonGroup(this);
  QRadioButton* radios[5];
  for (int i = 0; i < 5; ++i) {
    radios[i] = new QRadioButton(captions[i]);
    radios[i]->setObjectName(names[i]);
    choiceGroup_->addButton(radios[i], i);
  }
  QStringList days;
  for (int day = 1; day <= 31; ++day) days << QStringLiteral("Day %1").arg(day);
  cbWeekday_ =
      NewList(QStringLiteral("cbWeekday"),
              {QStringLiteral("Sunday"), QStringLiteral("Monday"), QStringLiteral("Tuesday"),
               QStringLiteral("Wednesday"), QStringLiteral("Thursday"), QStringLiteral("Friday"),
               QStringLiteral("Saturday")});
  cbMonthDay_ = NewList(QStringLiteral("cbMonthDay"), days);
  tpDay_ = NewTimePicker(QStringLiteral("tpDay"));
  tpWeek_ = NewTimePicker(QStringLiteral("tpWeek"));
  tpMonth_ = NewTimePicker(QStringLiteral("tpMonth"));
  tpOnce_ = NewTimePicker(QStringLiteral("tpOnce"));
  dpOnce_ = new QDateEdit;
  dpOnce_->setObjectName(QStringLiteral("dpOnce"));
  dpOnce_->setDisplayFormat(QLocale::system().dateFormat(QLocale::ShortFormat));
  dpOnce_->setCalendarPopup(true);

  auto* grid = new QGridLayout;
  QWidget* rows[5][2] = {{nullptr, nullptr},
                         {nullptr, tpDay_},
                         {cbWeekday_, tpWeek_},
                         {cbMonthDay_, tpMonth_},
                         {dpOnce_, tpOnce_}};
  int gridRow = 0;
  for (int i = 0; i < 5; ++i) {
    if (i > 0) grid->addWidget(NewLine(), gridRow++, 0, 1, 3);
    grid->addWidget(radios[i], gridRow, 0);
    if (rows[i][0]) grid->addWidget(rows[i][0], gridRow, 1);
    if (rows[i][1]) grid->addWidget(rows[i][1], gridRow, 2);
    ++gridRow;
  }
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(2, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addStretch(1);
  AddButtonRow(layout, NewOkCancelButtons(this, {"btnOK", "OK", "btnCancel", "Cancel"}, this,
                                          &TfmSchedule::btnOKClick, &QDialog::reject));
}

TScheduleForm TfmSchedule::Form() const {
  TScheduleForm form;
  form.choice = choiceGroup_->checkedId() < 0
                    ? ScheduleKind::NoSchedule
                    : static_cast<ScheduleKind>(choiceGroup_->checkedId());
  form.weekday = cbWeekday_->currentIndex();
  form.monthDay = cbMonthDay_->currentIndex();
  form.dayTime = FromQTime(tpDay_->time());
  form.weekTime = FromQTime(tpWeek_->time());
  form.monthTime = FromQTime(tpMonth_->time());
  form.onceDate = FromQDate(dpOnce_->date());
  form.onceTime = FromQTime(tpOnce_->time());
  return form;
}

void TfmSchedule::SetForm(const TScheduleForm& form) {
  if (QAbstractButton* choice = choiceGroup_->button(static_cast<int>(form.choice)))
    choice->setChecked(true);
  cbWeekday_->setCurrentIndex(form.weekday);
  cbMonthDay_->setCurrentIndex(form.monthDay);
  tpDay_->setTime(ToQTime(form.dayTime));
  tpWeek_->setTime(ToQTime(form.weekTime));
  tpMonth_->setTime(ToQTime(form.monthTime));
  dpOnce_->setDate(ToQDate(form.onceDate));
  tpOnce_->setTime(ToQTime(form.onceTime));
}

void TfmSchedule::btnOKClick() {
  FormToSchedule(Form(), schedule_);
  accept();
}

void ShowSchedule(TActionSchedule& schedule, QWidget* parent) {
  TfmSchedule dialog(schedule, parent);
  ExecModal(dialog);
}

}  // namespace zorvel
