// The main window's list shows the core's record list through this model:
// no widget or item object per row, and text is made only for rows that are
// painted, so a list of 100,000 records opens and scrolls at once.
#pragma once

#include <QAbstractListModel>
#include <cstdint>

#include "database/record_list.h"

namespace duvra {

class RecordListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  explicit RecordListModel(const RecordList& list, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  // Rereads the list when its content changed since the last call (by its
  // revision count). Returns true when the view was reset.
  bool Sync();
  // Width in pixels of every row, so that the view scrolls sideways as far
  // as the longest line needs.
  void SetRowWidth(int width);
  void SetRowHeight(int height);

 private:
  const RecordList& list_;
  uint64_t seen_revision_;
  int shown_rows_ = 0;
  int row_width_ = 0;
  int row_height_ = 0;
};

}  // namespace duvra
