#include "gui/widgets/shared_widgets.h"

#include <QComboBox>
#include <QHeaderView>
#include <QIcon>
#include <QTableView>
#include <QToolButton>

#include "platform/platform.h"

namespace zorvel {

void SetUpRowTable(QTableView& table) {
  table.setSelectionBehavior(QAbstractItemView::SelectRows);
  table.setSelectionMode(QAbstractItemView::SingleSelection);
  table.setEditTriggers(QAbstractItemView::NoEditTriggers);
  table.setShowGrid(true);
  table.verticalHeader()->hide();
  table.verticalHeader()->setDefaultSectionSize(table.fontMetrics().height() + 6);
  table.horizontalHeader()->setHighlightSections(false);
}

QComboBox* NewList(const QString& name, const QStringList& items, QWidget* parent) {
  auto* list = new QComboBox(parent);
  list->setObjectName(name);
  list->addItems(items);
  if (!items.isEmpty()) list->setCurrentIndex(0);
  return list;
}

QComboBox* NewFKeyList(const QString& name, QWidget* parent) {
  QStringList keys;
  for (int n = 1; n <= kFKeyCount; ++n) keys << QStringLiteral("F%1").arg(n);
  return NewList(name, keys, parent);
}

QToolButton* NewCommandButton(const QString& name, const QString& caption, const QString& hint,
                              const QIcon& icon, int iconSize, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setText(caption);
  button->setToolTip(hint);
  button->setIcon(icon);
  button->setIconSize(QSize(iconSize, iconSize));
  button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  button->setAutoRaise(true);
  return button;
}

}  // namespace zorvel
