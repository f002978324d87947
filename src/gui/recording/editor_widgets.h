#pragma once

// Small widgets and helpers the action editor is built from.

#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;

namespace zorvel {

// A number field with a pair of spin arrows. Typing is free; the arrows step within [low, high].
class TSpinField : public QWidget {
  Q_OBJECT
 public:
  TSpinField(const QString& name, int maxLength, int32_t low, int32_t high, int32_t step,
             QWidget* parent);
  QLineEdit* Edit() const { return edit_; }
  void Step(int direction);

 private:
  QLineEdit* edit_;
  int32_t low_;
  int32_t high_;
  int32_t step_;
};

// Shows `text` in a field whose length limit is `maxLength`, widening the limit for a stored value
// that is longer, so showing a value never cuts it.
void SetFieldText(QLineEdit* edit, const QString& text, int maxLength);

// A named field; `maxLength` 0 leaves its length and width free.
QLineEdit* NewEdit(const char* name, const QString& text, int maxLength, QWidget* parent);
QPushButton* NewButton(const char* name, const QString& caption, QWidget* parent);
// The blue "Press Any Key To Stop Capture" note.
QLabel* NewNote(QWidget* parent);

}  // namespace zorvel
