#include "app/qt_prompter.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

#include "app/text_display.h"
#include "app/tk_form.h"
#include "app/tw_form.h"

namespace duvra {
namespace {

// Sets the current directory back when the dialog is done with, whatever
// the dialog did to it.
class KeepCurrentDir {
 public:
  KeepCurrentDir() : saved_(QDir::currentPath()) {}
  ~KeepCurrentDir() { QDir::setCurrent(saved_); }

 private:
  QString saved_;
};

}  // namespace

QString QtFileFilter(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i];
    const QString patterns = QString(parts[i + 1]).replace(';', ' ');
    if (!description.contains('(')) description += QStringLiteral(" (") + patterns + ')';
    out << description;
  }
  return out.join(QStringLiteral(";;"));
}

QtPrompter::QtPrompter(QWidget* parent, TKForm& yes_no, TWForm& ok, DialogRunner run)
    : parent_(parent), yes_no_(yes_no), ok_(ok), run_(std::move(run)) {}

QString QtPrompter::StartFolder() const {
  // Not the current directory: that is the program's data folder.
  return start_folder_ ? start_folder_() : QDir::homePath();
}

Answer QtPrompter::AskYesNo(const std::string& main_text, const std::string& second_text) {
  yes_no_.SetMessage(ToDisplay(main_text), ToDisplay(second_text));
  switch (run_(yes_no_)) {
    case kResultYes:
      return Answer::kYes;
    case kResultNo:
      return Answer::kNo;
    default:
      return Answer::kClosed;
  }
}

void QtPrompter::Notify(const std::string& main_text) {
  ok_.SetMessage(ToDisplay(main_text));
  run_(ok_);
}

void QtPrompter::ShowError(const std::string& text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Duvra"), ToDisplay(text), QMessageBox::Ok,
                  parent_);
  box.setObjectName(QStringLiteral("ErrorBox"));
  run_(box);
}

std::optional<std::string> QtPrompter::RunFileDialog(QDialog& dialog) {
  KeepCurrentDir keep;
  auto& files = static_cast<QFileDialog&>(dialog);
  if (run_(files) != QDialog::Accepted || files.selectedFiles().isEmpty()) return std::nullopt;
  return PathFromDisplay(files.selectedFiles().constFirst());
}

std::optional<std::string> QtPrompter::ChooseSaveFile(const std::string& title,
                                                      const std::string& proposed_name,
                                                      const std::string& filter) {
  QFileDialog dialog(parent_, ToDisplay(title), StartFolder(), QtFileFilter(filter));
  dialog.setObjectName(QStringLiteral("SaveDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.selectFile(PathToDisplay(proposed_name));
  return RunFileDialog(dialog);
}

std::optional<std::string> QtPrompter::ChooseOpenFile(const std::string& title,
                                                      const std::string& filter,
                                                      const std::string& start_file) {
  QFileDialog dialog(parent_, ToDisplay(title), StartFolder(), QtFileFilter(filter));
  dialog.setObjectName(QStringLiteral("OpenDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  if (!start_file.empty()) {
    const QFileInfo start(PathToDisplay(start_file));
    dialog.setDirectory(start.absoluteDir());
    dialog.selectFile(start.absoluteFilePath());
  }
  return RunFileDialog(dialog);
}

std::optional<std::string> QtPrompter::ChooseFolder(const std::string& title,
                                                    const std::string& start_folder) {
  QFileDialog dialog(parent_, ToDisplay(title),
                     start_folder.empty() ? StartFolder() : PathToDisplay(start_folder));
  dialog.setObjectName(QStringLiteral("FolderDialog"));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  return RunFileDialog(dialog);
}

}  // namespace duvra
