#include "gui/recording/action_row_model.h"

#include <string>

#include "model/action_text.h"

namespace zorvel {

int TActionRowModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TActionRowModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : 3;
}

std::string TActionRowModel::VTGetText(int row, int column) const {
  const std::string caption = kHeaders[column];
  if (caption == "No.") return std::to_string(row + 1);
  return ActionText(*At(row), caption);
}

QVariant TActionRowModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || !IsRow(index.row())) return {};
  return QString::fromStdString(VTGetText(index.row(), index.column()));
}

QVariant TActionRowModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section > 2)
    return {};
  return QString(kHeaders[section]);
}

void TActionRowModel::Fill(const TActionList& actions) {
  beginResetModel();
  rows_.assign(actions.begin(), actions.end());
  endResetModel();
}

int TActionRowModel::InsertAfter(int focusedRow, TActionPtr action) {
  const int row = IsRow(focusedRow) ? focusedRow + 1 : static_cast<int>(rows_.size());
  beginInsertRows({}, row, row);
  rows_.insert(rows_.begin() + row, std::move(action));
  endInsertRows();
  // The numbers of the rows below changed.
  if (row + 1 < static_cast<int>(rows_.size()))
    emit dataChanged(index(row + 1, 0), index(static_cast<int>(rows_.size()) - 1, 0));
  return row;
}

void TActionRowModel::Remove(int row) {
  if (!IsRow(row)) return;
  beginRemoveRows({}, row, row);
  rows_.erase(rows_.begin() + row);
  endRemoveRows();
  if (row < static_cast<int>(rows_.size()))
    emit dataChanged(index(row, 0), index(static_cast<int>(rows_.size()) - 1, 0));
}

void TActionRowModel::Clear() {
  beginResetModel();
  rows_.clear();
  endResetModel();
}

int TActionRowModel::Move(int row, int direction) {
  const int target = row + direction;
  if (!IsRow(row) || !IsRow(target)) return row;
  // Qt's destination is the row before which the moved row lands.
  beginMoveRows({}, row, row, {}, direction > 0 ? target + 1 : target);
  std::swap(rows_[static_cast<size_t>(row)], rows_[static_cast<size_t>(target)]);
  endMoveRows();
  const int first = std::min(row, target);
  emit dataChanged(index(first, 0), index(first + 1, 0));
  return target;
}

void TActionRowModel::Refresh(int row) {
  if (IsRow(row)) emit dataChanged(index(row, 0), index(row, 2));
}

}  // namespace zorvel
