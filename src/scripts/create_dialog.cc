#include "scripts/create_dialog.h"

#include "base/text_file.h"
#include "scripts/create_scripts.h"

namespace duvra {
namespace {

// Characters of UTF-8 text: every byte that does not continue a sequence.
size_t CharacterCount(std::string_view text) {
  size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

}  // namespace

bool CreateOkEnabled(std::string_view folder, std::string_view location) {
  return CharacterCount(folder) >= kMinCreateTextLength &&
         CharacterCount(location) >= kMinCreateTextLength;
}

CreateConfirmation ConfirmCreate(Database& db, const ScriptSettings& controls, bool create_scripts,
                                 const std::string& template_dir, bool write_index,
                                 FileSystem& fs) {
  CreateConfirmation c;
  c.outcome = CreateOutcome::kCreated;
  db.script_settings_line = BuildScriptSettingsLine(controls);
  if (!DirectoryExists(controls.folder)) {
    c.outcome = CreateOutcome::kInvalidFolder;
    return c;
  }
  db.dirty = true;
  ScriptJob job{controls, create_scripts, template_dir, db.excluded_words, write_index, {}};
  c.status = CreateScripts(job, db.records.lines(), fs);
  if (!c.status.ok()) {
    c.outcome = CreateOutcome::kCancelled;
    c.close_dialog = false;
  }
  return c;
}

std::optional<std::string> CreateOutcomeMessage(CreateOutcome outcome, std::string_view folder,
                                                bool create_scripts) {
  std::string f(folder);
  switch (outcome) {
    case CreateOutcome::kInvalidFolder:
      return f + std::string(kInvalidFolderSuffix);
    case CreateOutcome::kCreated:
      return create_scripts ? "The Duvra Scripts have been created in the " + f + " folder."
                            : "The Duvra data file has been created in the " + f + " folder.";
    case CreateOutcome::kCancelled:
      break;
  }
  return std::nullopt;
}

}  // namespace duvra
