#pragma once

// The main window's macro list: a table model over its own rows (each row refers to one macro),
// and the IMacroListView the list controller drives.

#include <QAbstractTableModel>
#include <vector>

#include "gui/main/view_ctrl.h"

class QTableView;

namespace zorvel {

class TMacroListModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  using QAbstractTableModel::QAbstractTableModel;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  // Display: the cell text; alignment: right for "Create Time" and "Schedule Time"; background:
  // the info-tip colour for the hotkey and repeat columns.
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  const std::vector<TActionCtrlPtr>& Rows() const { return rows_; }
  void SetRows(const TActionsList& macros);
  void DeleteRow(int row);
  void RepaintRow(int row);
  void RepaintAll();

 private:
  std::vector<TActionCtrlPtr> rows_;
};

// Column widths of the list, left to right.
inline constexpr int kMacroColumnWidths[] = {180, 80, 60, 80, 80, 80, 100, 130};

class TMacroListView : public IMacroListView {
 public:
  // Both must outlive this object.
  TMacroListView(TMacroListModel& model, QTableView& table) : model_(model), table_(table) {}

  int RowCount() const override;
  TActionCtrlPtr RowMacro(int row) const override;
  int FocusedRow() const override;
  void SetRows(const TActionsList& macros) override { model_.SetRows(macros); }
  void DeleteRow(int row) override { model_.DeleteRow(row); }
  void RepaintRow(int row) override { model_.RepaintRow(row); }
  void RepaintAll() override { model_.RepaintAll(); }
  void FocusRow(int row) override;

 private:
  TMacroListModel& model_;
  QTableView& table_;
};

}  // namespace zorvel
