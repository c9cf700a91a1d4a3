#include "app/record_list_model.h"

#include <climits>

#include "app/text_display.h"
#include "database/text_encoding.h"

namespace duvra {

QString CellText(std::string_view field, size_t limit) {
  if (field.size() <= limit) return ToDisplay(field);
  return ToDisplay(field.substr(0, Utf8CutPoint(field, limit))) + QChar(0x2026);
}

RecordListModel::RecordListModel(const RecordList& list, const std::vector<size_t>& rows,
                                 QObject* parent)
    : QAbstractTableModel(parent), list_(list), rows_(rows), seen_revision_(list.revision()) {
  shown_rows_ = static_cast<int>(std::min<size_t>(rows_.size(), INT_MAX));
}

int RecordListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shown_rows_;
}

int RecordListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

std::string_view RecordListModel::Field(int row, int column) const {
  if (row != cached_row_) {
    std::string_view line = list_.line(ListRow(row));
    // Splits at the first five "^"; the sixth field keeps any further "^".
    for (int i = 0; i < kColumnCount; ++i) {
      size_t end = i + 1 < kColumnCount ? line.find('^') : std::string_view::npos;
      if (end == std::string_view::npos) end = line.size();
      cached_fields_[i] = line.substr(0, end);
      line.remove_prefix(std::min(line.size(), end + 1));
    }
    cached_row_ = row;
  }
  return cached_fields_[column];
}

QVariant RecordListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= shown_rows_ || index.column() >= kColumnCount) return {};
  if (role == Qt::DisplayRole) return CellText(Field(index.row(), index.column()));
  if (role == Qt::ToolTipRole && index.column() != 0 && index.column() != kColumnCount - 1) {
    return CellText(Field(index.row(), index.column()), kMaxCellBytes * 4);
  }
  return {};
}

QVariant RecordListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
      section < kColumnCount) {
    return QString::fromLatin1(kColumnTitles[static_cast<size_t>(section)]);
  }
  return QAbstractTableModel::headerData(section, orientation, role);
}

bool RecordListModel::Sync(uint64_t rows_generation) {
  if (list_.revision() == seen_revision_ && rows_generation == seen_generation_) return false;
  beginResetModel();
  seen_revision_ = list_.revision();
  seen_generation_ = rows_generation;
  shown_rows_ = static_cast<int>(std::min<size_t>(rows_.size(), INT_MAX));
  cached_row_ = -1;
  endResetModel();
  return true;
}

}  // namespace duvra
