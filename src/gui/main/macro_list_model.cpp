#include "gui/main/macro_list_model.h"

#include <QApplication>
#include <QPalette>
#include <QTableView>

#include "model/macro_list_text.h"

namespace zorvel {

namespace {

bool IsInfoColumn(int column) {
  return column == kColumnStartHotkey || column == kColumnStopHotkey || column == kColumnRepeatType;
}

bool IsRightAligned(int column) {
  return column == kColumnCreateTime || column == kColumnScheduleTime;
}

// The alignment of a column's cells and of its header.
QVariant ColumnAlignment(int column) {
  return QVariant::fromValue(
      Qt::Alignment((IsRightAligned(column) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
}

}  // namespace

int TMacroListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TMacroListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kMacroColumnCount;
}

QVariant TMacroListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(MacroCellText(*rows_[index.row()], column));
    case Qt::TextAlignmentRole:
      return ColumnAlignment(column);
    case Qt::BackgroundRole:
      if (IsInfoColumn(column)) return QApplication::palette().color(QPalette::ToolTipBase);
      return {};
    default:
      return {};
  }
}

QVariant TMacroListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::DisplayRole) return QString::fromStdString(MacroColumnCaption(section));
  if (role == Qt::TextAlignmentRole) return ColumnAlignment(section);
  return {};
}

void TMacroListModel::SetRows(const TActionsList& macros) {
  beginResetModel();
  rows_.assign(macros.begin(), macros.end());
  endResetModel();
}

void TMacroListModel::DeleteRow(int row) {
  if (row < 0 || row >= rowCount()) return;
  beginRemoveRows({}, row, row);
  rows_.erase(rows_.begin() + row);
  endRemoveRows();
}

void TMacroListModel::RepaintRow(int row) {
  if (row < 0 || row >= rowCount()) return;
  emit dataChanged(index(row, 0), index(row, kMacroColumnCount - 1));
}

void TMacroListModel::RepaintAll() {
  if (rows_.empty()) return;
  emit dataChanged(index(0, 0), index(rowCount() - 1, kMacroColumnCount - 1));
}

int TMacroListView::RowCount() const {
  return model_.rowCount();
}

TActionCtrlPtr TMacroListView::RowMacro(int row) const {
  if (row < 0 || row >= RowCount()) return nullptr;
  return model_.Rows()[static_cast<size_t>(row)];
}

void TMacroListView::FocusRow(int row) {
  table_.setCurrentIndex(model_.index(row, 0));
}

int TMacroListView::FocusedRow() const {
  const QModelIndex current = table_.currentIndex();
  return current.isValid() ? current.row() : -1;
}

}  // namespace zorvel
