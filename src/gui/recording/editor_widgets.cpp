#include "gui/recording/editor_widgets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/recording/editor_fields.h"

namespace zorvel {

void SetFieldText(QLineEdit* edit, const QString& text, int maxLength) {
  edit->setMaxLength(std::max(maxLength, static_cast<int>(text.size())));
  edit->setText(text);
}

QLineEdit* NewEdit(const char* name, const QString& text, int maxLength, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  if (maxLength > 0) {
    edit->setMaxLength(maxLength);
    edit->setFixedWidth(24 + maxLength * 10);
  }
  edit->setText(text);
  return edit;
}

QPushButton* NewButton(const char* name, const QString& caption, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  return button;
}

QLabel* NewNote(QWidget* parent) {
  auto* note = new QLabel("Press Any Key To Stop Capture", parent);
  note->setStyleSheet("color: blue;");
  return note;
}

TSpinField::TSpinField(const QString& name, int maxLength, int32_t low, int32_t high, int32_t step,
                       QWidget* parent)
    : QWidget(parent), edit_(new QLineEdit(this)), low_(low), high_(high), step_(step) {
  edit_->setObjectName(name);
  edit_->setMaxLength(maxLength);
  edit_->setFixedWidth(20 + maxLength * 10);
  auto* arrows = new QVBoxLayout;
  arrows->setSpacing(0);
  arrows->setContentsMargins(0, 0, 0, 0);
  for (const int direction : {1, -1}) {
    auto* arrow = new QToolButton(this);
    arrow->setObjectName(name + (direction > 0 ? "Up" : "Down"));
    arrow->setArrowType(direction > 0 ? Qt::UpArrow : Qt::DownArrow);
    arrow->setFixedSize(16, 11);
    arrow->setAutoRepeat(true);
    connect(arrow, &QToolButton::clicked, this, [this, direction] { Step(direction); });
    arrows->addWidget(arrow);
  }
  auto* row = new QHBoxLayout(this);
  row->setSpacing(1);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(edit_);
  row->addLayout(arrows);
}

void TSpinField::Step(int direction) {
  const int32_t value =
      SteppedSpinValue(edit_->text().toStdString(), direction * step_, low_, high_);
  SetFieldText(edit_, QString::number(value), edit_->maxLength());
}

}  // namespace zorvel
