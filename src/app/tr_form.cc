#include "app/tr_form.h"

#include <algorithm>

#include <QFontMetrics>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QTimer>

#include "app/dialog_style.h"
#include "app/text_display.h"
#include "base/seconds.h"
#include "http/http_client.h"
#include "http/request.h"
#include "indexer/merge.h"

namespace duvra {
namespace {

constexpr DialogFrame kFrame = kLargeFrame;
constexpr int kPageWidth = kFrame.width - 16;
constexpr int kMemoHeight = 180;
constexpr int kSourceHeight = 16;

}  // namespace

// Forwards the worker's reports to the window's thread. A queued call whose
// window has been destroyed is dropped by Qt.
class TRForm::Observer : public CrawlObserver {
 public:
  Observer(TRForm* form, int generation) : form_(form), generation_(generation) {}
  void Line(const std::string& text) override {
    QString line = ToDisplay(text);
    const int g = generation_;
    TRForm* f = form_;
    QMetaObject::invokeMethod(
        f,
        [f, g, line] {
          if (g == f->generation_) f->AddLine(line);
        },
        Qt::QueuedConnection);
  }
  void Progress(size_t read, size_t found) override {
    TRForm* f = form_;
    const int g = generation_;
    QMetaObject::invokeMethod(
        f, [f, g, read, found] { f->ShowProgress(g, read, found); }, Qt::QueuedConnection);
  }
  void Finished(CrawlOutcome outcome) override {
    TRForm* f = form_;
    const int g = generation_;
    QMetaObject::invokeMethod(
        f, [f, g, outcome] { f->CrawlFinished(g, outcome); }, Qt::QueuedConnection);
  }

 private:
  TRForm* form_;
  int generation_;
};

TRForm::TRForm(Database& db, long long& reselect_index, QWidget* parent, PageFetcher* fetcher)
    : QDialog(parent), db_(db), reselect_index_(reselect_index) {
  Pages = SetUpTabbedDialog(this, "TRForm", QStringLiteral("Index"), kFrame, "Pages");

  if (fetcher == nullptr) {
    auto client = std::make_unique<HttpClient>();
    client->SetAccept(std::string(kDefaultAccept));
    client->SetCookiesEnabled(true);
    client->SetReadTimeout(kDefaultReadTimeoutMs);  // until a crawl sets its own
    client->SetUserAgent(std::string(kDefaultUserAgent));
    own_fetcher_ = std::move(client);
    fetcher = own_fetcher_.get();
  }
  crawler_ = std::make_unique<Crawler>(*fetcher);
  thread_ = std::make_unique<CrawlThread>(*crawler_);

  ConnectionTab = new QWidget;
  ConnectionTab->setObjectName(QStringLiteral("ConnectionTab"));
  Memo = new QPlainTextEdit(ConnectionTab);
  Memo->setObjectName(QStringLiteral("Memo"));
  Memo->setReadOnly(true);
  Memo->setFrameShape(QFrame::NoFrame);
  Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo->setGeometry(0, 0, kPageWidth - 4, kMemoHeight);
  SourceLabel = new QLabel(ConnectionTab);
  SourceLabel->setObjectName(QStringLiteral("SourceLabel"));
  SourceLabel->setGeometry(8, kMemoHeight + 4, kPageWidth - 20, kSourceHeight);
  Progress = new QProgressBar(ConnectionTab);
  Progress->setObjectName(QStringLiteral("Progress"));
  Progress->setGeometry(8, kMemoHeight + kSourceHeight + 8, kPageWidth - 20, 18);
  Progress->setRange(0, 1);
  Progress->setValue(0);
  Progress->setFormat(QStringLiteral("%v of %m pages"));
  auto radio = [this](const char* name, const QString& caption, int top) {
    return AddCaptioned<QRadioButton>(ConnectionTab, name, caption, 8, top);
  };
  AllRadio =
      radio("AllRadio", QStringLiteral("Add &all pages (Ignore duplicates)"), kMemoHeight + 52);
  UpdateRadio = radio("UpdateRadio",
                      QStringLiteral("Add new and &update pages where the content has changed"),
                      kMemoHeight + 74);
  NewRadio = radio("NewRadio", QStringLiteral("&Just add new pages"), kMemoHeight + 96);
  AllRadio->setChecked(true);
  Pages->addTab(ConnectionTab, QStringLiteral("Connection"));

  StopButton = AddRowButton(this, kFrame, "StopButton", QStringLiteral("&Stop"), 0);
  StopButton->setEnabled(false);
  OKButton = AddRowButton(this, kFrame, "OKButton", QStringLiteral("OK"), 1);
  OKButton->setDefault(true);
  CancelButton = AddRowButton(this, kFrame, "CancelButton", QStringLiteral("Cancel"), 2);
  OKButton->setEnabled(false);

  // The crawl starts once the window is on screen and the event loop runs.
  Timer = new QTimer(this);
  Timer->setObjectName(QStringLiteral("Timer"));
  Timer->setSingleShot(true);
  Timer->setInterval(1);

  connect(Timer, &QTimer::timeout, this, &TRForm::TimerTimer);
  connect(StopButton, &QPushButton::clicked, this, &TRForm::StopButtonClick);
  connect(OKButton, &QPushButton::clicked, this, &TRForm::OKButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &TRForm::CancelButtonClick);
}

TRForm::~TRForm() { StopCrawl(); }

bool TRForm::crawling() const { return thread_->running(); }

void TRForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TRForm::FormShow() {
  // Nothing can be merged before a crawl has read something.
  OKButton->setEnabled(false);
  start_flag_ = true;
  Timer->start();
}

void TRForm::TimerTimer() {
  if (!start_flag_) return;
  start_flag_ = false;
  Execute();
}

void TRForm::AddLine(const QString& text) { Memo->appendPlainText(text); }

void TRForm::ShowSource(const CrawlSettings& settings) {
  const QString address = ToDisplay(settings.start_address);
  if (settings.folder.empty()) {
    SourceLabel->setText(QStringLiteral("Reading over the web: ") + address);
    SourceLabel->setToolTip(SourceLabel->text());
    return;
  }
  const QString before = QStringLiteral("Reading the folder ");
  const QString after = QStringLiteral(" as ") + address;
  const QString folder = PathToDisplay(settings.folder);
  // A long folder is shortened in its middle, so that both of its ends and
  // the address stay in view; the whole text is the tip.
  const QFontMetrics metrics = SourceLabel->fontMetrics();
  const int room = SourceLabel->width() - metrics.horizontalAdvance(before + after);
  SourceLabel->setText(before + metrics.elidedText(folder, Qt::ElideMiddle, std::max(room, 40)) +
                       after);
  SourceLabel->setToolTip(before + folder + after);
}

void TRForm::Execute() {
  Pages->setFocus();
  for (QWidget* w : {static_cast<QWidget*>(AllRadio), static_cast<QWidget*>(UpdateRadio),
                     static_cast<QWidget*>(NewRadio), static_cast<QWidget*>(OKButton)}) {
    w->setEnabled(false);
  }
  Progress->setRange(0, 1);
  Progress->setValue(0);
  CrawlSettings settings;
  if (Status s = MakeCrawlSettings(db_, &settings); !s.ok()) {
    // Told in the log; no fetch is made and nothing can be merged.
    AddLine(ToDisplay(s.message()));
    AddLine(QString());
    AddLine(QString::fromLatin1(kIndexStopped.data(), kIndexStopped.size()));
    return;
  }
  ShowSource(settings);
  thread_->Join();
  ++generation_;
  observer_ = std::make_unique<Observer>(this, generation_);
  StopButton->setEnabled(true);
  thread_->Start(std::move(settings), *observer_);
}

void TRForm::ShowProgress(int generation, size_t read, size_t found) {
  if (generation != generation_) return;
  Progress->setRange(0, static_cast<int>(found));
  Progress->setValue(static_cast<int>(read));
}

void TRForm::CrawlFinished(int generation, CrawlOutcome outcome) {
  if (generation != generation_) return;
  thread_->Join();
  StopButton->setEnabled(false);
  if (outcome == CrawlOutcome::kFailedStart) return;  // only Cancel is left
  AllRadio->setEnabled(true);
  // With records in the list, adding all pages again would double them at
  // a press of Enter; updating is what a second crawl means.
  (db_.records.empty() ? AllRadio : UpdateRadio)->setChecked(true);
  UpdateRadio->setEnabled(!db_.records.empty());
  NewRadio->setEnabled(!db_.records.empty());
  OKButton->setEnabled(true);
}

void TRForm::StopButtonClick() {
  // The worker finishes the page in hand and reports back; the merge
  // choice appears when it has.
  StopButton->setEnabled(false);
  thread_->RequestStop();
}

void TRForm::OKButtonClick() {
  if (crawling() || !OKButton->isEnabled()) return;
  const MergeMode mode = UpdateRadio->isChecked() ? MergeMode::kUpdate
                         : NewRadio->isChecked()  ? MergeMode::kNew
                                                  : MergeMode::kAll;
  MergeResult r = MergePages(db_, crawler_->pages(), crawler_->site_root(), mode);
  reselect_index_ = r.reselect_index;
  accept();
}

void TRForm::CancelButtonClick() { reject(); }

void TRForm::StopCrawl() {
  if (thread_ && thread_->running()) thread_->RequestStop();
  if (thread_) thread_->Join();
  ++generation_;  // reports still queued belong to a closed window
}

void TRForm::done(int result) {
  start_flag_ = false;
  Timer->stop();
  StopCrawl();
  StopButton->setEnabled(false);
  Memo->clear();
  SourceLabel->clear();
  QDialog::done(result);
}

}  // namespace duvra
