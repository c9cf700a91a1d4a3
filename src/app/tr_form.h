// The Index window: crawls the site of the open database on a worker
// thread, shows each progress line as it happens beside a progress bar
// (pages read of addresses found), and on OK merges the pages read into the
// record list in the chosen mode. Stop ends the crawl early and keeps what
// was read; Cancel (or closing) stops a running crawl and merges nothing.
#pragma once

#include <QDialog>
#include <memory>

#include "app/widgets_fwd.h"
#include "database/db_files.h"
#include "http/page_fetcher.h"
#include "indexer/crawl_driver.h"

namespace duvra {

class TRForm : public QDialog {
  Q_OBJECT

 public:
  // db and reselect_index belong to the main window and outlive the window.
  // fetcher: the page fetcher to crawl with; null uses an HTTP client of the
  // window's own (tests pass fakes).
  TRForm(Database& db, long long& reselect_index, QWidget* parent = nullptr,
         PageFetcher* fetcher = nullptr);
  ~TRForm() override;

  // Whether a crawl is running now.
  bool crawling() const;
  const Crawler& crawler() const { return *crawler_; }

  QTabWidget* Pages;
  QWidget* ConnectionTab;
  QPlainTextEdit* Memo;
  // Where the crawl reads the site: over the web, or from a folder.
  QLabel* SourceLabel;
  QProgressBar* Progress;
  QRadioButton* AllRadio;
  QRadioButton* UpdateRadio;
  QRadioButton* NewRadio;
  QPushButton* StopButton;
  QPushButton* OKButton;
  QPushButton* CancelButton;
  QTimer* Timer;

 public slots:
  void FormShow();
  void TimerTimer();
  // Starts a crawl: the settings are checked here, the pages are read on
  // the worker.
  void Execute();
  void StopButtonClick();
  void OKButtonClick();
  void CancelButtonClick();
  // Stops a running crawl and clears the log; every way of closing ends here.
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  class Observer;
  void AddLine(const QString& text);
  void ShowSource(const CrawlSettings& settings);
  // The worker's reports, delivered on this window's thread; reports of a
  // crawl that has since been stopped and closed are dropped.
  void ShowProgress(int generation, size_t read, size_t found);
  void CrawlFinished(int generation, CrawlOutcome outcome);
  void StopCrawl();

  Database& db_;
  long long& reselect_index_;
  bool start_flag_ = false;
  int generation_ = 0;                        // counts crawls; reports carry the number of theirs
  std::unique_ptr<PageFetcher> own_fetcher_;  // IdHTTP, when no fetcher was given
  std::unique_ptr<Crawler> crawler_;
  std::unique_ptr<Observer> observer_;
  std::unique_ptr<CrawlThread> thread_;  // last: stopped and joined first
};

}  // namespace duvra
