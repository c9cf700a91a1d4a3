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
// The exit status of a command ended by Ctrl-C.
constexpr int kExitInterrupted = 130;

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

MergeMode ParseMode(const std::string& text) {
  if (text == "all") return MergeMode::kAll;
  if (text == "update") return MergeMode::kUpdate;
  if (text == "new") return MergeMode::kNew;
  throw CliError{"unknown mode '" + text + "' (all, update or new)"};
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

int RunIndex(const std::vector<std::string>& args) {
  std::string path, folder;
  bool folder_given = false;
  MergeMode mode = MergeMode::kAll;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--mode" && i + 1 < args.size()) {
      mode = ParseMode(args[++i]);
    } else if (args[i].starts_with("--mode=")) {
      mode = ParseMode(args[i].substr(7));
    } else if (args[i] == "--folder" && i + 1 < args.size()) {
      folder = args[++i];
      folder_given = true;
    } else if (args[i].starts_with("--folder=")) {
      folder = args[i].substr(9);
      folder_given = true;
    } else if (path.empty() && !args[i].starts_with("--")) {
      path = args[i];
    } else {
      throw CliError{"unexpected argument '" + args[i] + "' (see --help)"};
    }
  }
  if (path.empty()) throw CliError{"expected a database PATH (see --help)"};
  Database db = OpenDatabaseOrThrow(path);
  if (db.settings.site_address.empty()) {
    throw CliError{
        "the database has no site address; set one with 'duvra-cli options PATH "
        "--address ADDRESS'"};
  }
  CrawlSettings settings;
  if (Status s = MakeCrawlSettings(db, &settings); !s.ok()) throw CliError{s.message()};
  // For this run only; the database keeps its own setting.
  if (folder_given) {
    if (folder.empty()) throw CliError{"--folder needs a folder"};
    settings.folder = folder;
  }

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
  return 0;
}

// Text that would break the settings line or a list file is refused.
std::string CheckedField(const std::string& option, const std::string& value) {
  if (value.find_first_of("^\r\n") != std::string::npos) {
    throw CliError{option + " cannot hold \"^\" or a line break"};
  }
  return value;
}

int ChoiceOrThrow(const std::string& option, const std::string& value, const int* choices,
                  size_t count) {
  int seconds = -1;
  int item = ParseWholeNumber(value, &seconds) ? ChoiceItem(choices, count, seconds) : -1;
  if (item < 0) {
    std::string list;
    for (size_t i = 0; i < count; ++i) list += (i ? ", " : "") + std::to_string(choices[i]);
    throw CliError{option + " must be one of " + list + " seconds"};
  }
  return item;
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
            << "Create keywords: " << (s.create_keywords == "1" ? "on" : "off") << "\n"
            << "User agent: " << s.user_agent << "\n"
            << "Timeout: "
            << SecondsText(s.timeout_index, kTimeoutChoices, std::size(kTimeoutChoices)) << "\n"
            << "Requests delay: "
            << SecondsText(s.delay_index, kDelayChoices, std::size(kDelayChoices)) << "\n";
  for (const SettingInfo& info : kExtraSettings) {
    const std::string value = db.extra.Get(info.name);
    std::cout << info.label << " (" << info.name << "): ";
    if (info.kind == SettingKind::kFlag) {
      std::cout << (value == "1" ? "on" : "off") << "\n";
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
  std::string stored = value;
  if (info.kind == SettingKind::kFlag) {
    if (value != "on" && value != "off") {
      throw CliError{"--" + std::string(info.name) + " takes on or off"};
    }
    stored = value == "on" ? "1" : "0";
  }
  if (!extra.Set(info.name, stored)) {
    throw CliError{"--" + std::string(info.name) + " cannot take \"" + value + "\"" +
                   (info.kind == SettingKind::kNumber ? " (a whole number is needed)" : "")};
  }
}

std::string ExtraOptionsUsage() {
  std::string usage;
  for (const SettingInfo& info : kExtraSettings) {
    usage += " [--" + std::string(info.name) +
             (info.kind == SettingKind::kFlag     ? " on|off]"
              : info.kind == SettingKind::kNumber ? " N]"
                                                  : " T]");
  }
  return usage;
}

int RunOptions(const std::vector<std::string>& args) {
  if (args.empty() || args[0].starts_with("--")) {
    throw CliError{"expected a database PATH first (see --help)"};
  }
  Database db = OpenDatabaseOrThrow(args[0]);
  IndexOptions opts;
  opts.FormActivate(db);
  bool changed = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& opt = args[i];
    if (opt == "--restore") {
      opts.RestoreButtonClick();
      changed = true;
      continue;
    }
    if (i + 1 >= args.size()) throw CliError{"unknown option or missing value: " + opt};
    const std::string value = CheckedField(opt, args[++i]);
    changed = true;
    if (opt == "--name") {
      opts.name = value;
    } else if (opt == "--address") {
      opts.address = value;
    } else if (opt == "--keywords") {
      if (value != "on" && value != "off") throw CliError{"--keywords takes on or off"};
      opts.keywords_checked = value == "on";
    } else if (opt == "--agent") {
      opts.agent = value;
    } else if (opt == "--timeout") {
      opts.timeout_item = ChoiceOrThrow(opt, value, kTimeoutChoices, std::size(kTimeoutChoices));
    } else if (opt == "--delay") {
      opts.delay_item = ChoiceOrThrow(opt, value, kDelayChoices, std::size(kDelayChoices));
    } else if (opt == "--add-word") {
      if (value.empty()) throw CliError{"--add-word needs a word"};
      opts.words_edit = value;
      opts.AddWordsButtonClick();
    } else if (opt == "--remove-word") {
      RemoveOrThrow(opts.words, value, "word");
    } else if (opt == "--add-page") {
      if (value.empty()) throw CliError{"--add-page needs a page"};
      opts.pages_edit = value;
      opts.AddPagesButtonClick();
    } else if (opt == "--remove-page") {
      RemoveOrThrow(opts.pages, value, "page");
    } else if (const SettingInfo* info = FindSetting(std::string_view(opt).substr(2));
               info != nullptr && opt.starts_with("--")) {
      SetExtraOrThrow(opts.extra, *info, value);
    } else {
      throw CliError{"unknown option " + opt + " (see --help)"};
    }
  }
  if (changed) {
    if (Status s = opts.OKButtonClick(db); !s.ok()) throw CliError{s.message()};
    // The dialog leaves the list files to the next Save; here there is none.
    WriteListOrThrow(db.MemberPath(".wod"), db.excluded_words);
    WriteListOrThrow(db.MemberPath(".pag"), db.excluded_pages);
  }
  PrintOptions(db);
  return 0;
}

CliRegistration index_command(
    {"index", "index PATH [--mode all|update|new] [--folder DIR]",
     "crawl the database's site and merge the pages",
     "Crawls the site at the database's site address, printing each progress\n"
     "line as it happens, merges the pages read into the records and saves the\n"
     "database. Modes: all (add every page, the default), update (add new pages\n"
     "and update those whose content changed), new (add new pages only).\n"
     "--folder DIR reads the pages from the folder that holds the site root\n"
     "instead of over HTTP, for this run only; the records keep the site\n"
     "address. Ctrl-C stops the crawl and saves nothing.",
     RunIndex});

CliRegistration options_command(
    {"options",
     "options PATH [--name T] [--address A] [--keywords on|off] [--agent T] [--timeout S]\n"
     "        [--delay S] [--restore] [--add-word W] [--remove-word W] [--add-page P]\n"
     "        [--remove-page P]\n       " +
         ExtraOptionsUsage(),
     "show or set the database's indexing settings",
     "Without options, prints the indexing settings of the database. Options\n"
     "change them in the order given and write the header and both excluded\n"
     "lists at once. --timeout takes 10, 20, 30, 40, 50 or 60 seconds, --delay\n"
     "0, 1, 2, 3, 4, 5, 10, 20, 30 or 60. Words are stored in lower case; a page\n"
     "gets a leading \"/\". --restore puts back the default user agent, timeout\n"
     "and delay. Options may repeat.\n"
     "The settings after --remove-page are the indexing settings of the header's\n"
     "third line: --robots (obey robots.txt and robots meta tags), --visibletext\n"
     "(keywords from visible text only), --openingtext (a page without a\n"
     "description gets its opening words as Text), --plainlinks (follow\n"
     "addresses without an extension), --maxwords (most keywords per page) and\n"
     "--onepage (one record per page). A database made before these settings\n"
     "has them all off; a new one has them all on.",
     RunOptions});

}  // namespace
}  // namespace duvra::cli
