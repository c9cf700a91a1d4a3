// The main window's enabled commands as a typed value, against the rules as
// they stood when items were kept by widget name in a map: every state the
// walks reach must give the same on and off facts for every item.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>

#include "database/address_conversion.h"
#include "database/view_state.h"

namespace duvra {
namespace {

// The earlier rules, kept as the reference: items by name, an item never
// set reading as off, each rule touching only the items it names.
namespace by_name {

using Items = std::map<std::string, bool>;

bool On(const Items& items, const std::string& name) {
  auto it = items.find(name);
  return it != items.end() && it->second;
}

void EditListClick(const RecordList& list, Items& vs) {
  if (list.empty()) return;
  vs["TBXDelete"] = vs["TBXDeleteButton"] = true;
  if (list.selected_count() == 0) return;
  for (const char* item :
       {"TBXMoveDown", "TBXMoveDownButton", "TBXMoveUp", "TBXMoveUpButton", "TBXInsertNewRecord"}) {
    vs[item] = true;
  }
  if (list.selected(0)) vs["TBXMoveUp"] = vs["TBXMoveUpButton"] = false;
  if (list.selected(list.size() - 1)) vs["TBXMoveDown"] = vs["TBXMoveDownButton"] = false;
}

void StateUpdate(const Database& db, Items& vs) {
  for (const char* item :
       {"TBXClose", "TBXSave", "TBXSaveButton", "TBXSaveAs", "TBXInsertFile", "TBXAddressEdit",
        "TBXOptions", "TBXOptionsButton", "TBXNewRecord", "TBXNewRecordButton"}) {
    vs[item] = db.open;
  }
  vs["TBXIndex"] = vs["TBXIndexButton"] = db.open && !db.settings.site_address.empty();
  const bool has_records = !db.records.empty();
  for (const char* item :
       {"TBXExport", "TBXClear", "TBXSubAddress", "TBXSelectAll", "TBXCreate", "TBXCreateButton"}) {
    vs[item] = has_records;
  }
  if (has_records) {
    EditListClick(db.records, vs);
  } else {
    for (const char* item : {"TBXDelete", "TBXDeleteButton", "TBXMoveDown", "TBXMoveDownButton",
                             "TBXMoveUp", "TBXMoveUpButton", "TBXInsertNewRecord"}) {
      vs[item] = false;
    }
  }
}

// The enabling half of the filter step; selected_before is the selection
// count before the step deselected the rows it hides.
void ShowFilterState(bool active, size_t selected_before, const RecordList& list, Items& vs) {
  if (active) {
    if (list.selected_count() != selected_before) EditListClick(list, vs);
    for (const char* item : {"TBXMoveUp", "TBXMoveUpButton", "TBXMoveDown", "TBXMoveDownButton"}) {
      vs[item] = false;
    }
  }
  vs["TBXEditRecord"] = list.selected_count() == 1;
}

Items FilteredPopup(bool active, const RecordList& list) {
  const bool any = list.selected_count() > 0;
  Items p = {{"TBXInsertNewRecordPop", any},
             {"TBXDeletePop", any},
             {"TBXMoveUpPop", any},
             {"TBXMoveDownPop", any}};
  if (any) {
    if (list.selected(0)) p["TBXMoveUpPop"] = false;
    if (list.selected(list.size() - 1)) p["TBXMoveDownPop"] = false;
  }
  if (active) p["TBXMoveUpPop"] = p["TBXMoveDownPop"] = false;
  p["TBXEditRecordPop"] = list.selected_count() == 1;
  return p;
}

}  // namespace by_name

struct Named {
  const char* name;
  Command command;
};
// Every item the window enabled by name, and the command it now shows.
constexpr Named kWindowItems[] = {
    {"TBXClose", Command::kClose},
    {"TBXSave", Command::kSave},
    {"TBXSaveButton", Command::kSave},
    {"TBXSaveAs", Command::kSaveAs},
    {"TBXExport", Command::kExport},
    {"TBXInsertFile", Command::kInsertFile},
    {"TBXAddressEdit", Command::kAddressEdit},
    {"TBXOptions", Command::kOptions},
    {"TBXOptionsButton", Command::kOptions},
    {"TBXNewRecord", Command::kNewRecord},
    {"TBXNewRecordButton", Command::kNewRecord},
    {"TBXIndex", Command::kIndex},
    {"TBXIndexButton", Command::kIndex},
    {"TBXClear", Command::kClear},
    {"TBXSubAddress", Command::kSubAddress},
    {"TBXSelectAll", Command::kSelectAll},
    {"TBXCreate", Command::kCreate},
    {"TBXCreateButton", Command::kCreate},
    {"TBXDelete", Command::kDelete},
    {"TBXDeleteButton", Command::kDelete},
    {"TBXMoveUp", Command::kMoveUp},
    {"TBXMoveUpButton", Command::kMoveUp},
    {"TBXMoveDown", Command::kMoveDown},
    {"TBXMoveDownButton", Command::kMoveDown},
    {"TBXInsertNewRecord", Command::kInsertNewRecord},
    {"TBXEditRecord", Command::kEditRecord},
};
constexpr Named kPopupItems[] = {
    {"TBXInsertNewRecordPop", Command::kInsertNewRecord},
    {"TBXDeletePop", Command::kDelete},
    {"TBXMoveUpPop", Command::kMoveUp},
    {"TBXMoveDownPop", Command::kMoveDown},
    {"TBXEditRecordPop", Command::kEditRecord},
};

// Checks every named item against the typed set; `where` tells the failing step.
template <size_t N>
void ExpectSame(const Named (&items)[N], const by_name::Items& old, const CommandSet& typed,
                const std::string& where) {
  for (const Named& item : items) {
    EXPECT_EQ(by_name::On(old, item.name), typed[item.command]) << item.name << " after " << where;
  }
}

CommandSet AllOn() {
  CommandSet all;
  for (size_t i = 0; i < kCommandCount; ++i) all.Set(static_cast<Command>(i), true);
  return all;
}

by_name::Items AllOnByName() {
  by_name::Items all;
  for (const Named& item : kWindowItems) all[item.name] = true;
  return all;
}

constexpr const char* kTitles[] = {"alpha", "beta", "alpha beta", "gamma", "Alpha"};

void AssignRecords(Database& db, size_t count) {
  std::vector<std::string> lines;
  for (size_t i = 0; i < count; ++i) {
    lines.push_back(std::to_string(i) + "^" + kTitles[i] + "^/p" + std::to_string(i) + "^^^0");
  }
  db.records.Assign(lines);
}

TEST(TypedViewState, EveryCommandHasANamedItemAndAClosedDatabaseHasAllOff) {
  std::vector<int> named(kCommandCount, 0);
  for (const Named& item : kWindowItems) ++named[static_cast<size_t>(item.command)];
  for (size_t i = 0; i < kCommandCount; ++i) EXPECT_GT(named[i], 0) << "command " << i;

  // The window shows this state from its start, before the first refresh.
  Database closed;
  RecordFilter filter;
  ViewState vs;
  vs.enabled = AllOn();
  StateUpdate(closed, &vs);
  ShowFilterState(filter, closed.records, &vs);
  EXPECT_EQ(vs.enabled, CommandSet{});
}

// Every database (closed, open with or without a site address, 0 to 4
// records), every selection, every filter, each rule run from a state with
// everything off and from one with everything on.
TEST(TypedViewState, EveryStateGivesWhatTheRulesByNameGave) {
  for (bool from_on : {false, true}) {
    for (bool open : {false, true}) {
      for (bool site : {false, true}) {
        for (size_t count = 0; count <= 4; ++count) {
          for (unsigned mask = 0; mask < (1u << count); ++mask) {
            for (const char* text : {"", "alpha", "zzz"}) {
              const std::string where =
                  std::string(from_on ? "on" : "off") + " open=" + std::to_string(open) +
                  " site=" + std::to_string(site) + " count=" + std::to_string(count) +
                  " mask=" + std::to_string(mask) + " filter=" + text;
              auto make = [&] {
                Database db;
                db.open = open;
                if (site) db.settings.site_address = "example.com";
                AssignRecords(db, count);
                for (size_t i = 0; i < count; ++i) db.records.SetSelected(i, (mask >> i) & 1);
                return db;
              };
              auto start = [&](ViewState& vs, by_name::Items& old) {
                vs.enabled = from_on ? AllOn() : CommandSet{};
                old = from_on ? AllOnByName() : by_name::Items{};
              };
              ViewState vs;
              by_name::Items old;

              Database db = make();
              start(vs, old);
              StateUpdate(db, &vs);
              by_name::StateUpdate(db, old);
              ExpectSame(kWindowItems, old, vs.enabled, "StateUpdate " + where);

              start(vs, old);
              EditListClick(db.records, &vs);
              by_name::EditListClick(db.records, old);
              ExpectSame(kWindowItems, old, vs.enabled, "EditListClick " + where);

              start(vs, old);
              RecordFilter filter;
              filter.SetText(text);
              const size_t before = db.records.selected_count();
              ShowFilterState(filter, db.records, &vs);
              by_name::ShowFilterState(filter.active(), before, db.records, old);
              ExpectSame(kWindowItems, old, vs.enabled, "ShowFilterState " + where);
              ExpectSame(kPopupItems, by_name::FilteredPopup(filter.active(), db.records),
                         FilteredPopupState(filter, db.records), "popup " + where);

              start(vs, old);
              TBXAddressEditChange(db, &vs, "example.org");
              old["TBXIndex"] = old["TBXIndexButton"] = true;
              ExpectSame(kWindowItems, old, vs.enabled, "TBXAddressEditChange " + where);
            }
          }
        }
      }
    }
  }
}

// A long random walk of database changes and the rules the window runs, in
// any order, so that what a rule leaves as it was is compared too.
TEST(TypedViewState, RandomWalkGivesWhatTheRulesByNameGave) {
  std::mt19937 random(18);
  Database db;
  RecordFilter filter;
  ViewState vs;
  by_name::Items old;
  const char* texts[] = {"", "alpha", "beta", "zzz"};
  for (int step = 0; step < 20000; ++step) {
    const int op = static_cast<int>(random() % 10);
    switch (op) {
      case 0:
        db.open = !db.open;
        break;
      case 1:
        db.settings.site_address = db.settings.site_address.empty() ? "example.com" : "";
        break;
      case 2:
        AssignRecords(db, random() % 6);
        break;
      case 3:
        if (!db.records.empty()) {
          const size_t row = random() % db.records.size();
          db.records.SetSelected(row, !db.records.selected(row));
        }
        break;
      case 4:
        TBXSelectAllClick(db, &vs);
        by_name::EditListClick(db.records, old);
        break;
      case 5:
        StateUpdate(db, &vs);
        by_name::StateUpdate(db, old);
        break;
      case 6:
        EditListClick(db.records, &vs);
        by_name::EditListClick(db.records, old);
        break;
      case 7: {
        filter.SetText(texts[random() % 4]);
        const size_t before = db.records.selected_count();
        ShowFilterState(filter, db.records, &vs);
        by_name::ShowFilterState(filter.active(), before, db.records, old);
        break;
      }
      case 8:
        TBXAddressEditChange(db, &vs, random() % 2 ? "example.org" : "");
        old["TBXIndex"] = old["TBXIndexButton"] = true;
        break;
      default:
        db.records.ClearSelection();
        break;
    }
    const std::string where = "step " + std::to_string(step) + " op " + std::to_string(op);
    ExpectSame(kWindowItems, old, vs.enabled, where);
    ExpectSame(kPopupItems, by_name::FilteredPopup(filter.active(), db.records),
               FilteredPopupState(filter, db.records), where);
    if (::testing::Test::HasFailure()) return;
  }
}

}  // namespace
}  // namespace duvra
