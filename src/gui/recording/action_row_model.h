#pragma once

// The rows of the recording window's action list: one row per action, each referring to the
// macro's own action object. The row order is the order OK stores.

#include <QAbstractTableModel>
#include <vector>

#include "model/action.h"

namespace zorvel {

class TActionRowModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  using QAbstractTableModel::QAbstractTableModel;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // VTGetText: "No." gives the 1-based position, the other columns ActionText.
  std::string VTGetText(int row, int column) const;

  // FillActionView: one row per action of `actions`, in list order.
  void Fill(const TActionList& actions);
  // AddActionRow: inserts after `focusedRow`, or at the end when it is -1. Returns the new row.
  int InsertAfter(int focusedRow, TActionPtr action);
  void Remove(int row);
  void Clear();
  // Moves `row` by one place up (-1) or down (+1); returns the row's new position (unchanged at
  // either end).
  int Move(int row, int direction);
  // Repaints a row whose action changed.
  void Refresh(int row);

  const std::vector<TActionPtr>& Rows() const { return rows_; }
  const TActionPtr& At(int row) const { return rows_.at(static_cast<size_t>(row)); }
  bool IsRow(int row) const { return row >= 0 && row < static_cast<int>(rows_.size()); }

  static constexpr const char* kHeaders[3] = {"No.", "Type", "Action"};

 private:
  std::vector<TActionPtr> rows_;
};

}  // namespace zorvel
