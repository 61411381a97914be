// The profile grid's model: a read-only table view of `profile_table`, refreshed from its
// DataChanged signal. The grid shows the current row's unposted values, as the table reports them.
#pragma once

#include <QAbstractTableModel>

#include "profiles/profile_table.h"

namespace qm::qt {

class ProfileTableModel : public QAbstractTableModel {
 public:
  explicit ProfileTableModel(ProfileTable& table, QObject* parent = nullptr);
  ~ProfileTableModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The grid's column widths in pixels.
  static int ColumnWidth(int column);

 private:
  void Refresh();

  ProfileTable& table_;
  int rows_shown_ = 0;
  int connection_ = 0;
};

}  // namespace qm::qt
