#include "gui/widgets/dialog_buttons.h"

#include <QHBoxLayout>

namespace zorvel {

TOkCancelButtons NewOkCancelButtons(QWidget* parent, const TOkCancelNames& names) {
  TOkCancelButtons buttons;
  buttons.ok = new QPushButton(QString::fromUtf8(names.okCaption), parent);
  buttons.ok->setObjectName(QString::fromUtf8(names.okName));
  buttons.ok->setDefault(true);
  buttons.cancel = new QPushButton(QString::fromUtf8(names.cancelCaption), parent);
  buttons.cancel->setObjectName(QString::fromUtf8(names.cancelName));
  return buttons;
}

void AddButtonRow(QBoxLayout* column, const TOkCancelButtons& buttons) {
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(buttons.ok);
  row->addWidget(buttons.cancel);
  column->addLayout(row);
}

}  // namespace zorvel
