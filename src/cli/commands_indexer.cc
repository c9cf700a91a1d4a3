// duvra-cli index / options.
#include <signal.h>

#include <iostream>
#include <iterator>
#include <mutex>

#include "base/text_file.h"
#include "cli/cli.h"
#include "http/http_client.h"
#include "indexer/crawl_driver.h"
#include "indexer/index_options.h"
#include "indexer/merge.h"

namespace duvra::cli {
namespace {

// How often the waiting main thread looks whether the crawl has ended.
constexpr long kSignalPollNanoseconds = 100 * 1000 * 1000;

// Prints every progress line to stderr as it happens, keeping stdout for
// the result; called on the crawl's thread.
class PrintingObserver : public CrawlObserver {
 public:
  void Line(const std::string& text) override {
    std::lock_guard<std::mutex> lock(mu_);
    std::cerr << text << std::endl;
  }

 private:
  std::mutex mu_;
};

MergeMode ModeOf(const std::string& text) {
  if (text == "update") return MergeMode::kUpdate;
  if (text == "new") return MergeMode::kNew;
  return MergeMode::kAll;
}

// Runs the crawl on a worker while this thread waits for SIGINT or SIGTERM;
// returns true when one came, after the crawl has stopped.
bool CrawlUnlessInterrupted(CrawlThread& thread, const CrawlSettings& settings,
                            CrawlObserver& observer, CrawlOutcome* outcome) {
  sigset_t stop_signals, old_mask;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  // Blocked before the worker starts, so that it inherits the mask and the
  // signals reach only sigtimedwait below.
  pthread_sigmask(SIG_BLOCK, &stop_signals, &old_mask);
  thread.Start(settings, observer);
  bool interrupted = false;
  const timespec poll{0, kSignalPollNanoseconds};
  while (thread.running()) {
    if (sigtimedwait(&stop_signals, nullptr, &poll) > 0) {
      interrupted = true;
      thread.RequestStop();
      break;
    }
  }
  *outcome = thread.Join();
  const timespec now{0, 0};
  if (sigtimedwait(&stop_signals, nullptr, &now) > 0) interrupted = true;
  pthread_sigmask(SIG_SETMASK, &old_mask, nullptr);
  return interrupted;
}

int RunIndex(const ParsedArgs& args) {
  const MergeMode mode = ModeOf(args.Last("mode", "all"));
  Database db = OpenDatabaseOrThrow(args.positional[0]);
  if (db.settings.site_address.empty()) {
    throw CliError{
        "the database has no web address; set one with 'duvra-cli options PATH "
        "--address ADDRESS'"};
  }
  CrawlSettings settings;
  if (Status s = MakeCrawlSettings(db, &settings); !s.ok()) throw CliError{s.message()};
  // For this run only; the database keeps its own setting.
  if (args.Has("folder")) settings.folder = args.Last("folder");

  HttpClient client;
  Crawler crawler(client);
  CrawlThread thread(crawler);
  PrintingObserver observer;
  CrawlOutcome outcome = CrawlOutcome::kFailedStart;
  if (CrawlUnlessInterrupted(thread, settings, observer, &outcome)) {
    std::cerr << "duvra-cli index: interrupted; nothing was saved.\n";
    return kExitInterrupted;
  }
  if (outcome != CrawlOutcome::kComplete) {
    throw CliError{
        outcome == CrawlOutcome::kFailedStart
            ? "the crawl could not start at " + db.settings.site_address +
                  (settings.folder.empty() ? "" : " in the folder " + settings.folder) +
                  (crawler.start_failure().empty() ? "" : ": " + crawler.start_failure()) +
                  "; nothing was saved"
            : std::string("the crawl was stopped; nothing was saved")};
  }

  MergeResult r = MergePages(db, crawler.pages(), crawler.site_root(), mode);
  EditSort(db.records);
  SaveOrThrow(db);
  std::cout << "Merged " << crawler.pages().size() << " pages: " << r.added << " added, "
            << r.updated << " updated; " << db.records.size() << " records saved in "
            << db.HeaderPath() << "\n";
  return kExitOk;
}

// Text that would break the settings line or a list file is refused.
std::string CheckedField(const std::string& option, const std::string& value) {
  if (value.find_first_of("^\r\n") != std::string::npos) {
    throw CliError{option + " cannot hold \"^\" or a line break"};
  }
  return value;
}

void RemoveOrThrow(SortedList& list, const std::string& item, const std::string& what) {
  bool found = false;
  for (size_t i = 0; i < list.items().size(); ++i) {
    if (list.items()[i] == item) {
      list.SetSelected(i, true);
      found = true;
    }
  }
  if (!found) throw CliError{what + " '" + item + "' is not in the list"};
  list.RemoveSelected();
}

std::string SecondsText(const std::string& stored, const int* choices, size_t count) {
  int index = 0;
  if (ParseWholeNumber(stored, &index) && index >= 0 && index < static_cast<int>(count)) {
    return std::to_string(choices[index]) + " seconds";
  }
  return "index \"" + stored + "\" (not one of the choices)";
}

void PrintOptions(const Database& db) {
  const DbSettings& s = db.settings;
  std::cout << "Database name: " << s.database_name << "\n"
            << "Web address: " << s.site_address << "\n"
            << "Create keywords: " << OnOff(s.create_keywords == "1") << "\n"
            << "User agent: " << s.user_agent << "\n"
            << "Timeout: "
            << SecondsText(s.timeout_index, kTimeoutChoices, std::size(kTimeoutChoices)) << "\n"
            << "Requests delay: "
            << SecondsText(s.delay_index, kDelayChoices, std::size(kDelayChoices)) << "\n";
  for (const SettingInfo& info : kExtraSettings) {
    const std::string value = db.extra.Get(info.name);
    std::cout << info.label << " (" << info.name << "): ";
    if (info.kind == SettingKind::kFlag) {
      std::cout << OnOff(value == "1") << "\n";
    } else {
      std::cout << value << "\n";
    }
  }
  for (const auto& [name, value] : db.extra.pairs()) {
    if (FindSetting(name) == nullptr) std::cout << "Kept setting: " << name << "=" << value << "\n";
  }
  std::cout << "Excluded words (" << db.excluded_words.size() << "):";
  for (const auto& w : db.excluded_words) std::cout << " " << w;
  std::cout << "\nExcluded pages (" << db.excluded_pages.size() << "):";
  for (const auto& p : db.excluded_pages) std::cout << " " << p;
  std::cout << "\n";
}

void WriteListOrThrow(const std::string& path, const std::vector<std::string>& lines) {
  if (Status s = WriteListFile(path, lines); !s.ok()) throw CliError{s.message()};
}

// --robots on, --maxwords 500 ...: one option per extra setting.
void SetExtraOrThrow(ExtraSettings& extra, const SettingInfo& info, const std::string& value) {
  // The parser gives a flag as "on" or "off"; the header keeps "1" or "0".
  const std::string stored = info.kind != SettingKind::kFlag ? value : value == "on" ? "1" : "0";
  if (!extra.Set(info.name, stored)) {
    throw CliError{"--" + std::string(info.name) + " cannot take \"" + value + "\"" +
                   (info.kind == SettingKind::kNumber ? " (a whole number is needed)" : "")};
  }
}

// The item of the dialog's drop-down list that the option's seconds name;
// the parser has checked that they are one of the choices.
int SecondsItem(const std::string& value, const int* choices, size_t count) {
  return ChoiceItem(choices, count, std::stoi(value));
}

int RunOptions(const ParsedArgs& args) {
  Database db = OpenDatabaseOrThrow(args.positional[0]);
  IndexOptions opts;
  opts.FormActivate(db);
  for (const auto& [name, given] : args.options) {
    const std::string option = "--" + name;
    const std::string value = CheckedField(option, given);
    if (name == "restore") {
      opts.RestoreButtonClick();
    } else if (name == "name") {
      opts.name = value;
    } else if (name == "address") {
      opts.address = value;
    } else if (name == "keywords") {
      opts.keywords_checked = value == "on";
    } else if (name == "agent") {
      opts.agent = value;
    } else if (name == "timeout") {
      opts.timeout_item = SecondsItem(value, kTimeoutChoices, std::size(kTimeoutChoices));
    } else if (name == "delay") {
      opts.delay_item = SecondsItem(value, kDelayChoices, std::size(kDelayChoices));
    } else if (name == "add-word") {
      opts.words_edit = value;
      opts.AddWordsButtonClick();
    } else if (name == "remove-word") {
      RemoveOrThrow(opts.words, value, "word");
    } else if (name == "add-page") {
      opts.pages_edit = value;
      opts.AddPagesButtonClick();
    } else if (name == "remove-page") {
      RemoveOrThrow(opts.pages, value, "page");
    } else if (const SettingInfo* info = FindSetting(name)) {
      SetExtraOrThrow(opts.extra, *info, value);
    } else {
      throw CliError{"unknown option " + option};
    }
  }
  if (!args.options.empty()) {
    if (Status s = opts.OKButtonClick(db); !s.ok()) throw CliError{s.message()};
    // The dialog leaves the list files to the next Save; here there is none.
    WriteListOrThrow(db.MemberPath(".wod"), db.excluded_words);
    WriteListOrThrow(db.MemberPath(".pag"), db.excluded_pages);
  }
  PrintOptions(db);
  return kExitOk;
}

// The dialog's controls in its order, then one option per extra setting.
std::vector<Option> OptionsTable() {
  std::vector<Option> table = {
      TextOption("name", "T", "the database name"),
      TextOption("address", "A", "the web address: where indexing starts"),
      BoolOption("keywords", "create keywords"),
      TextOption("agent", "T", "the user agent"),
      NumberOption("timeout", "seconds to wait for a page", kTimeoutChoices, "seconds"),
      NumberOption("delay", "seconds between requests", kDelayChoices, "seconds"),
      SwitchOption("restore", "put back the default user agent, timeout and delay"),
      NotEmpty(TextOption("add-word", "W", "add an excluded word (stored in lower case)")),
      TextOption("remove-word", "W", "remove an excluded word"),
      NotEmpty(TextOption("add-page", "P", "add an excluded page (a leading \"/\" is added)")),
      TextOption("remove-page", "P", "remove an excluded page"),
  };
  for (const SettingInfo& info : kExtraSettings) {
    const std::string name(info.name), label(info.label);
    table.push_back(info.kind == SettingKind::kFlag     ? BoolOption(name, label)
                    : info.kind == SettingKind::kNumber ? NumberOption(name, label)
                                                        : TextOption(name, "T", label));
  }
  return table;
}

CliRegistration index_command({
    .name = "index",
    .positional = {"PATH"},
    .summary = "crawl the database's site and merge the pages",
    .help = "Crawls the site at the database's web address, printing each progress\n"
            "line as it happens, merges the pages read into the records and saves the\n"
            "database. Modes: all (add every page, the default), update (add new pages\n"
            "and update those whose content changed), new (add new pages only).\n"
            "--folder DIR reads the pages from the folder that holds the site root\n"
            "instead of over HTTP, for this run only; the records keep the web\n"
            "address. Ctrl-C stops the crawl and saves nothing (exit status 130).",
    .options = {WordOption("mode", {"all", "update", "new"},
                           "which pages are merged (default all)"),
                NotEmpty(TextOption("folder", "DIR",
                                    "read the site from this folder, for this run only"))},
    .run = RunIndex,
});

CliRegistration options_command({
    .name = "options",
    .positional = {"PATH"},
    .summary = "show or set the database's indexing settings",
    .help = "Without options, prints the indexing settings of the database. Options\n"
            "change them in the order given and write the header and both excluded\n"
            "lists at once. Options may repeat.\n"
            "The settings after --remove-page are the indexing settings of the header's\n"
            "third line. A database made before these settings has them all off; a\n"
            "new one has them all on.",
    .options = OptionsTable(),
    .run = RunOptions,
});

}  // namespace
}  // namespace duvra::cli
