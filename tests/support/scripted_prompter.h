// A Prompter that answers from queues filled by the test and records every
// question and notice it was given. An empty queue answers "cancel" / No.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "base/prompter.h"

namespace duvra::testing {

class ScriptedPrompter : public Prompter {
 public:
  std::deque<Answer> answers;
  std::deque<std::optional<std::string>> files;    // save and open dialogs, in order
  std::deque<std::optional<std::string>> folders;  // folder dialogs

  struct Asked {
    std::string kind;    // "yesno", "notify", "error", "save", "open", "folder"
    std::string text;    // main text, or title for dialogs
    std::string second;  // second line, proposed name, start file or start folder
  };
  std::vector<Asked> log;

  Answer AskYesNo(const std::string& main_text, const std::string& second_text) override {
    log.push_back({"yesno", main_text, second_text});
    if (answers.empty()) return Answer::kNo;
    Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  void Notify(const std::string& main_text) override { log.push_back({"notify", main_text, ""}); }
  void ShowError(const std::string& text) override { log.push_back({"error", text, ""}); }
  std::optional<std::string> ChooseSaveFile(const std::string& title, const std::string& proposed,
                                            const std::string&) override {
    log.push_back({"save", title, proposed});
    return Next(files);
  }
  std::optional<std::string> ChooseOpenFile(const std::string& title, const std::string&,
                                            const std::string& start_file = "") override {
    log.push_back({"open", title, start_file});
    return Next(files);
  }
  std::optional<std::string> ChooseFolder(const std::string& title,
                                          const std::string& start) override {
    log.push_back({"folder", title, start});
    return Next(folders);
  }

 private:
  static std::optional<std::string> Next(std::deque<std::optional<std::string>>& q) {
    if (q.empty()) return std::nullopt;
    auto v = q.front();
    q.pop_front();
    return v;
  }
};

}  // namespace duvra::testing
