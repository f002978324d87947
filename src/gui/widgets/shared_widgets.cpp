#include "gui/widgets/shared_widgets.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QScreen>
#include <QTableView>
#include <QToolButton>

#include <algorithm>

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

namespace {

// What a window manager's frame usually adds around a window: borders and a title bar.
constexpr int kFrameWidth = 12;
constexpr int kFrameHeight = 36;

}  // namespace

void PlaceOnScreen(QWidget& window, const QSize& wanted) {
  QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
  if (!screen) {
    window.resize(wanted);
    return;
  }
  const QRect free = screen->availableGeometry();
  const QSize size = wanted.boundedTo(free.size() - QSize(kFrameWidth, kFrameHeight))
                         .expandedTo(window.minimumSize());
  window.resize(size);
  const int x = free.x() + std::max(0, (free.width() - size.width() - kFrameWidth) / 2);
  const int y = free.y() + std::max(0, (free.height() - size.height() - kFrameHeight) / 2);
  window.move(x, y);
}

QLabel* NewWarningLine(const QString& name, QWidget* parent) {
  auto* line = new QLabel(parent);
  line->setObjectName(name);
  line->setWordWrap(true);
  line->setStyleSheet(QStringLiteral("QLabel { color: #b00000; }"));
  line->hide();
  return line;
}

}  // namespace zorvel
