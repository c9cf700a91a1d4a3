// How command logic asks the user something: the file dialogs, the yes/no
// and OK message windows, and the standard error box. The desktop program
// answers through real dialogs; tests answer from a script.
#pragma once

#include <optional>
#include <string>

namespace duvra {

// Results of the yes/no message window; kClosed is the title-bar close box.
enum class Answer { kYes = 6, kNo = 7, kClosed = 2 };

class Prompter {
 public:
  virtual ~Prompter() = default;

  // The yes/no message window with its main and second line.
  virtual Answer AskYesNo(const std::string& main_text, const std::string& second_text) = 0;
  // The OK message window.
  virtual void Notify(const std::string& main_text) = 0;
  // The standard error box, for unexpected file errors.
  virtual void ShowError(const std::string& text) = 0;

  // File dialogs: the chosen path, or nullopt when cancelled. `filter` is in
  // the "Description (*.ext)|*.ext" form. The dialogs add no extension and
  // do not ask about overwriting. The open dialog starts at start_file (its
  // folder, with the file chosen) when that is not empty.
  virtual std::optional<std::string> ChooseSaveFile(const std::string& title,
                                                    const std::string& proposed_name,
                                                    const std::string& filter) = 0;
  virtual std::optional<std::string> ChooseOpenFile(const std::string& title,
                                                    const std::string& filter,
                                                    const std::string& start_file = "") = 0;
  // The folder dialog: the chosen folder, or nullopt when cancelled.
  virtual std::optional<std::string> ChooseFolder(const std::string& title,
                                                  const std::string& start_folder) = 0;
};

}  // namespace duvra
