// The rules of the Options dialog as data: what its controls hold, which
// are enabled, and what each action does to them and, on OK, to the open
// database. The window only mirrors this state onto its widgets.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/seconds.h"
#include "base/status.h"
#include "database/db_files.h"

namespace duvra {

inline constexpr std::string_view kFolderNotStorable =
    "The site folder cannot hold \"^\" or a line break; choose another folder.";

// A sorted, multi-select list box: items are ordered without regard to
// A-Z case, an item equal to others goes after them, duplicates allowed.
class SortedList {
 public:
  // Replaces the items, each placed as Add places it; nothing selected.
  void Assign(const std::vector<std::string>& items);
  // Places one item; returns its row.
  size_t Add(std::string item);
  void SetSelected(size_t row, bool on) { selected_[row] = on; }
  bool selected(size_t row) const { return selected_[row]; }
  size_t selected_count() const;
  void RemoveSelected();
  const std::vector<std::string>& items() const { return items_; }

 private:
  std::vector<std::string> items_;
  std::vector<bool> selected_;  // same size as items_
};

struct IndexOptions {
  // Control contents.
  std::string name, address, agent;
  // The folder the crawl reads the site from instead of over HTTP; empty
  // for none.
  std::string folder;
  bool keywords_checked = true;
  int timeout_item = kDefaultTimeoutItem;  // -1: the stored index names no item
  int delay_item = kDefaultDelayItem;      // idem
  std::string words_edit, pages_edit;      // kept from one opening to the next
  SortedList words, pages;
  // The header's third line: one control per known setting; names this
  // build does not know pass through untouched.
  ExtraSettings extra;

  // Enabled states; the two word buttons and page buttons start disabled.
  bool word_controls_enabled = true;  // "Exclude words:" label, edit and list
  bool add_words_enabled = false, remove_words_enabled = false;
  bool add_pages_enabled = false, remove_pages_enabled = false;

  // Loads the controls from the database's settings and lists.
  void FormActivate(const Database& db);
  void KeywordsCheckClick();
  // After the edit's text (words_edit / pages_edit) has changed.
  void ExcludeWordsEditChange() { add_words_enabled = !words_edit.empty(); }
  void ExcludePagesEditChange() { add_pages_enabled = !pages_edit.empty(); }
  // After the list's selection has changed.
  void ExcludeWordsListClick() { remove_words_enabled = words.selected_count() > 0; }
  void ExcludePagesListClick() { remove_pages_enabled = pages.selected_count() > 0; }
  // Add the edit's text (a word is lowered, a page gets a leading "/"),
  // then clear the edit. Nothing happens when the edit is empty, which is
  // also what Enter in the edit does.
  void AddWordsButtonClick();
  void AddPagesButtonClick();
  void RemoveWordsButtonClick();
  void RemovePagesButtonClick();
  // The default user agent, timeout and delay; nothing is written.
  void RestoreButtonClick();
  // The refusal of OK when a field of the settings line would hold "^" or
  // a line break (which would shift every later field of the header), as
  // the text to show; "" when every field can be stored.
  std::string FieldProblem() const;
  // Copies the controls into the settings, writes the header, replaces the
  // two lists and sets the dirty flag. A folder that cannot be stored in
  // the header (it holds "^" or a line break) is refused before anything
  // changes. On a write failure the settings are
  // already changed in memory, the lists are not, and the error is returned.
  Status OKButtonClick(Database& db) const;
};

// The item of `choices` whose seconds are `seconds`, or -1.
int ChoiceItem(const int* choices, size_t count, int seconds);

}  // namespace duvra
