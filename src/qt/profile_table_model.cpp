#include "qt/profile_table_model.h"

#include <QBrush>
#include <QColor>

namespace qm::qt {

namespace {
struct Column {
  const char* title;
  int width;
};
constexpr Column kColumns[] = {
    {"Enabled", 44}, {"Name", 102}, {"Source Dir.", 108}, {"Destination Dir.", 111}};
constexpr int kColumnCount = 4;
}  // namespace

ProfileTableModel::ProfileTableModel(ProfileTable& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table) {
  rows_shown_ = static_cast<int>(table_.RecordCount());
  connection_ = table_.DataChanged.Connect([this] { Refresh(); });
}

ProfileTableModel::~ProfileTableModel() {
  table_.DataChanged.Disconnect(connection_);
}

void ProfileTableModel::Refresh() {
  const int rows = static_cast<int>(table_.RecordCount());
  if (rows != rows_shown_) {
    beginResetModel();
    rows_shown_ = rows;
    endResetModel();
  } else if (rows > 0) {
    Q_EMIT dataChanged(index(0, 0), index(rows - 1, kColumnCount - 1));
  }
}

int ProfileTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_shown_;
}

int ProfileTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant ProfileTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(table_.RecordCount())) return {};
  const ProfileRow& row = table_.Row(static_cast<size_t>(index.row()));
  if (index.column() == 0) {
    if (role == Qt::CheckStateRole) return row.Enabled ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::TextAlignmentRole) return Qt::AlignCenter;
    return {};
  }
  if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
  switch (index.column()) {
    case 1:
      return QString::fromStdString(row.Name);
    case 2:
      return QString::fromStdString(row.SrcDir);
    case 3:
      return QString::fromStdString(row.DestDir);
    default:
      return {};
  }
}

QVariant ProfileTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return {};
  if (role == Qt::DisplayRole) return QString::fromUtf8(kColumns[section].title);
  if (role == Qt::TextAlignmentRole) return Qt::AlignCenter;
  // The column that concerns the background mode carries its green title.
  if (role == Qt::ForegroundRole && section == 0) return QBrush(QColor(0x00, 0x80, 0x00));
  return {};
}

int ProfileTableModel::ColumnWidth(int column) {
  return column >= 0 && column < kColumnCount ? kColumns[column].width : 0;
}

}  // namespace qm::qt
