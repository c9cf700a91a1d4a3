#include "indexer/index_options.h"

#include <algorithm>
#include <iterator>

#include "base/ascii.h"
#include "indexer/crawl_driver.h"
#include "indexer/link_discovery.h"

namespace duvra {
namespace {

// The list item of a stored index, or -1 when it names none.
int ItemOf(const std::string& stored, size_t item_count) {
  int value = 0;
  if (!ParseWholeNumber(stored, &value) || value < 0 || value >= static_cast<int>(item_count)) {
    return -1;
  }
  return value;
}

}  // namespace

void SortedList::Assign(const std::vector<std::string>& items) {
  items_.clear();
  selected_.clear();
  for (const std::string& item : items) Add(item);
  std::fill(selected_.begin(), selected_.end(), false);
}

size_t SortedList::Add(std::string item) {
  auto at = std::upper_bound(
      items_.begin(), items_.end(), item,
      [](const std::string& a, const std::string& b) { return LessIgnoreCase(a, b); });
  const auto row = static_cast<size_t>(at - items_.begin());
  items_.insert(at, std::move(item));
  selected_.insert(selected_.begin() + static_cast<std::ptrdiff_t>(row), false);
  return row;
}

size_t SortedList::selected_count() const {
  return static_cast<size_t>(std::count(selected_.begin(), selected_.end(), true));
}

void SortedList::RemoveSelected() {
  std::vector<std::string> kept;
  for (size_t i = 0; i < items_.size(); ++i) {
    if (!selected_[i]) kept.push_back(std::move(items_[i]));
  }
  items_ = std::move(kept);
  selected_.assign(items_.size(), false);
}

void IndexOptions::FormActivate(const Database& db) {
  const DbSettings& s = db.settings;
  name = s.database_name;
  address = s.site_address;
  agent = s.user_agent;
  folder = db.extra.Get("folder");
  keywords_checked = s.create_keywords == "1";
  timeout_item = ItemOf(s.timeout_index, std::size(kTimeoutChoices));
  delay_item = ItemOf(s.delay_index, std::size(kDelayChoices));
  words.Assign(db.excluded_words);
  pages.Assign(db.excluded_pages);
  extra = db.extra;
  KeywordsCheckClick();
}

void IndexOptions::KeywordsCheckClick() {
  word_controls_enabled = keywords_checked;
  if (keywords_checked) {
    ExcludeWordsEditChange();
    ExcludeWordsListClick();
  } else {
    add_words_enabled = false;
    remove_words_enabled = false;
  }
}

void IndexOptions::AddWordsButtonClick() {
  if (words_edit.empty()) return;
  words_edit = LowerAscii(words_edit);
  words.Add(words_edit);
  words_edit.clear();
  ExcludeWordsEditChange();
}

void IndexOptions::AddPagesButtonClick() {
  if (pages_edit.empty()) return;
  std::string page = pages_edit.starts_with('/') ? pages_edit : "/" + pages_edit;
  pages.Add(std::move(page));
  pages_edit.clear();
  ExcludePagesEditChange();
}

void IndexOptions::RemoveWordsButtonClick() {
  words.RemoveSelected();
  ExcludeWordsListClick();
}

void IndexOptions::RemovePagesButtonClick() {
  pages.RemoveSelected();
  ExcludePagesListClick();
}

void IndexOptions::RestoreButtonClick() {
  agent = std::string(kDefaultUserAgent);
  timeout_item = kDefaultTimeoutItem;
  delay_item = kDefaultDelayItem;
}

std::string IndexOptions::FieldProblem() const {
  const std::pair<const char*, const std::string*> fields[] = {
      {"The database name", &name}, {"The site address", &address}, {"The user agent", &agent}};
  for (const auto& [label, value] : fields) {
    if (value->find_first_of("^\r\n") != std::string::npos) {
      return std::string(label) + " cannot hold \"^\" or a line break.";
    }
  }
  return {};
}

Status IndexOptions::OKButtonClick(Database& db) const {
  // The folder joins the other extra settings; only a change is stored,
  // so a header without the third line keeps its two lines.
  ExtraSettings stored = extra;
  if (folder != stored.Get("folder") && !stored.Set("folder", folder)) {
    return Status::Error(std::string(kFolderNotStorable));
  }
  DbSettings& s = db.settings;
  s.database_name = name;
  s.site_address = address;
  s.create_keywords.assign(1, keywords_checked ? '1' : '0');
  s.user_agent = agent;
  // A hand-edited index that names no item is kept as it stands.
  if (timeout_item >= 0) s.timeout_index = std::to_string(timeout_item);
  if (delay_item >= 0) s.delay_index = std::to_string(delay_item);
  db.extra = std::move(stored);
  if (Status st = WriteHeader(db); !st.ok()) return st;
  db.excluded_words = words.items();
  db.excluded_pages = pages.items();
  db.dirty = true;
  return Status::Ok();
}

int ChoiceItem(const int* choices, size_t count, int seconds) {
  for (size_t i = 0; i < count; ++i) {
    if (choices[i] == seconds) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace duvra
