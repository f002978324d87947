#pragma once

// The OK / Cancel pair every dialog of the application ends with.

#include <QObject>
#include <QPushButton>

class QBoxLayout;
class QWidget;

namespace zorvel {

// Object names and captions of the pair; each dialog keeps its own.
struct TOkCancelNames {
  const char* okName;
  const char* okCaption;
  const char* cancelName;
  const char* cancelCaption;
};

struct TOkCancelButtons {
  QPushButton* ok;
  QPushButton* cancel;
};

// Makes the two buttons as children of `parent`; OK is the default button.
TOkCancelButtons NewOkCancelButtons(QWidget* parent, const TOkCancelNames& names);

// Makes the pair and connects their clicks to `onOk` and `onCancel` of `receiver`.
template <class Receiver, class OkSlot, class CancelSlot>
TOkCancelButtons NewOkCancelButtons(QWidget* parent, const TOkCancelNames& names,
                                    Receiver* receiver, OkSlot onOk, CancelSlot onCancel) {
  const TOkCancelButtons buttons = NewOkCancelButtons(parent, names);
  QObject::connect(buttons.ok, &QPushButton::clicked, receiver, onOk);
  QObject::connect(buttons.cancel, &QPushButton::clicked, receiver, onCancel);
  return buttons;
}

// Adds the pair to the end of `column` as a row of its own, pushed to the right.
void AddButtonRow(QBoxLayout* column, const TOkCancelButtons& buttons);

}  // namespace zorvel
