#include "app/record_list_model.h"

#include <QSize>
#include <climits>

#include "app/text_display.h"

namespace duvra {

RecordListModel::RecordListModel(const RecordList& list, QObject* parent)
    : QAbstractListModel(parent), list_(list), seen_revision_(list.revision()) {
  shown_rows_ = static_cast<int>(std::min<size_t>(list_.size(), INT_MAX));
}

int RecordListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shown_rows_;
}

QVariant RecordListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= shown_rows_) return {};
  if (role == Qt::DisplayRole) return ToDisplay(list_.line(static_cast<size_t>(index.row())));
  if (role == Qt::SizeHintRole && row_height_ > 0) return QSize(row_width_, row_height_);
  return {};
}

bool RecordListModel::Sync() {
  if (list_.revision() == seen_revision_) return false;
  beginResetModel();
  seen_revision_ = list_.revision();
  shown_rows_ = static_cast<int>(std::min<size_t>(list_.size(), INT_MAX));
  endResetModel();
  return true;
}

void RecordListModel::SetRowWidth(int width) {
  if (width == row_width_) return;
  row_width_ = width;
  if (shown_rows_ > 0) emit dataChanged(index(0), index(shown_rows_ - 1), {Qt::SizeHintRole});
}

void RecordListModel::SetRowHeight(int height) { row_height_ = height; }

}  // namespace duvra
