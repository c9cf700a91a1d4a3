// The Prompter of the desktop program: the yes/no and OK message windows,
// the platform's file and folder dialogs and its error box. Every dialog is
// shown through a runner, so window tests answer it without a modal loop,
// and each leaves the current directory as it found it.
#pragma once

#include <QString>
#include <functional>

#include "app/widgets_fwd.h"
#include "base/prompter.h"

namespace duvra {

class TKForm;
class TWForm;

// Shows a dialog modally and returns its result; the desktop program passes
// QDialog::exec, tests a function that answers the dialog.
using DialogRunner = std::function<int(QDialog&)>;

// "Description (*.ext)|*.ext|..." to Qt's "Description (*.ext);;..." form.
QString QtFileFilter(const std::string& filter);

class QtPrompter : public Prompter {
 public:
  QtPrompter(QWidget* parent, TKForm& yes_no, TWForm& ok, DialogRunner run);

  Answer AskYesNo(const std::string& main_text, const std::string& second_text) override;
  void Notify(const std::string& main_text) override;
  void ShowError(const std::string& text) override;
  std::optional<std::string> ChooseSaveFile(const std::string& title,
                                            const std::string& proposed_name,
                                            const std::string& filter) override;
  std::optional<std::string> ChooseOpenFile(const std::string& title, const std::string& filter,
                                            const std::string& start_file = "") override;
  std::optional<std::string> ChooseFolder(const std::string& title,
                                          const std::string& start_folder) override;
  // Where a file dialog starts when its caller names no folder: the main
  // window gives the open database's folder, or the user's documents.
  void SetStartFolder(std::function<QString()> start_folder) {
    start_folder_ = std::move(start_folder);
  }

 private:
  QString StartFolder() const;
  std::optional<std::string> RunFileDialog(QDialog& dialog);

  QWidget* parent_;
  TKForm& yes_no_;
  TWForm& ok_;
  DialogRunner run_;
  std::function<QString()> start_folder_;
};

// Forwards every question to a target that can be replaced at any time, so
// that windows may keep a reference while tests swap in scripted answers.
class PrompterSwitch : public Prompter {
 public:
  void SetTarget(Prompter* target) { target_ = target; }
  Prompter* target() const { return target_; }

  Answer AskYesNo(const std::string& main_text, const std::string& second_text) override {
    return target_->AskYesNo(main_text, second_text);
  }
  void Notify(const std::string& main_text) override { target_->Notify(main_text); }
  void ShowError(const std::string& text) override { target_->ShowError(text); }
  std::optional<std::string> ChooseSaveFile(const std::string& title,
                                            const std::string& proposed_name,
                                            const std::string& filter) override {
    return target_->ChooseSaveFile(title, proposed_name, filter);
  }
  std::optional<std::string> ChooseOpenFile(const std::string& title, const std::string& filter,
                                            const std::string& start_file = "") override {
    return target_->ChooseOpenFile(title, filter, start_file);
  }
  std::optional<std::string> ChooseFolder(const std::string& title,
                                          const std::string& start_folder) override {
    return target_->ChooseFolder(title, start_folder);
  }

 private:
  Prompter* target_ = nullptr;
};

}  // namespace duvra
