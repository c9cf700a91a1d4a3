// The main window's record table shows the core's record list through this
// model: one column per field, only the rows the filter shows, no widget or
// item object per row, and text made only for cells that are painted and
// cut to a bounded length, so a list of 100,000 records, or one line of
// many megabytes, opens, scrolls and paints at once.
#pragma once

#include <QAbstractTableModel>
#include <array>
#include <cstdint>
#include <vector>

#include "database/record_list.h"

namespace duvra {

// The table's columns, in field order.
inline constexpr int kColumnCount = 6;
inline constexpr std::array<const char*, kColumnCount> kColumnTitles = {
    "Num", "Title", "URL", "Text", "Keywords", "New Window"};
// The longest text a cell shows, in bytes of its field; longer fields end
// in an ellipsis (the column elides them further to its width).
inline constexpr size_t kMaxCellBytes = 400;

// A field's bytes cut to at most `limit` on a UTF-8 character boundary, as
// display text (windows-1252 when not UTF-8), with "…" when it was cut.
QString CellText(std::string_view field, size_t limit = kMaxCellBytes);

class RecordListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // rows: the list rows shown, in order (the filter's); both outlive the model.
  RecordListModel(const RecordList& list, const std::vector<size_t>& rows,
                  QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // The list row shown at a table row.
  size_t ListRow(int row) const { return rows_[static_cast<size_t>(row)]; }

  // Rereads the list and the shown rows when either changed since the last
  // call (by the list's revision and the rows' generation). Returns true
  // when the view was reset.
  bool Sync(uint64_t rows_generation);

 private:
  // The field's bytes of a shown row; the last row's field starts are kept,
  // since a table paints a row's cells one after the other.
  std::string_view Field(int row, int column) const;

  const RecordList& list_;
  const std::vector<size_t>& rows_;
  uint64_t seen_revision_;
  uint64_t seen_generation_ = UINT64_MAX;
  int shown_rows_ = 0;
  mutable int cached_row_ = -1;
  mutable std::array<std::string_view, kColumnCount> cached_fields_;
};

}  // namespace duvra
