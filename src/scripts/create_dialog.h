// The Create dialog's rules as data, so that the window only shows them and
// tests run them without a display: OK enabling, the controls that follow the
// create-scripts switch, OK itself, and the main window's report afterwards.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "base/status.h"
#include "database/db_files.h"
#include "scripts/script_settings.h"

namespace duvra {

// What the dialog leaves for the main window.
enum class CreateOutcome { kCancelled = 0, kCreated = 1, kInvalidFolder = 2 };

// The shortest folder and location texts that OK accepts, in characters.
inline constexpr size_t kMinCreateTextLength = 2;

// The controls that are enabled exactly while the create-scripts switch is
// on; the folder box and Browse always stay enabled.
inline constexpr std::array<std::string_view, 9> kScriptPropertyControls = {
    "PropertiesLabel", "LocationLabel", "LocationEdit", "ReturnLabel", "ReturnComboBox",
    "ResultsLabel",    "NumberCheck",   "BoldCheck",    "URLCheck"};

inline constexpr std::string_view kCreateFolderTitle = "Create Scripts in:";
inline constexpr std::string_view kInvalidFolderSuffix = " is not a valid folder.";

// OK is enabled when both texts (UTF-8) hold at least two characters; the
// location counts even while its box is disabled.
bool CreateOkEnabled(std::string_view folder, std::string_view location);

struct CreateConfirmation {
  CreateOutcome outcome = CreateOutcome::kCancelled;
  Status status;  // the file error when generation failed
  // The dialog closes unless generation failed; then it stays open for the
  // user to mend the folder or cancel.
  bool close_dialog = true;
};

// OK (OKButtonClick): rebuilds the database's script settings line from the
// controls; when the folder is an existing directory, sets the dirty flag
// and writes the scripts (CreateScripts) with the templates from
// template_dir (and the search index when write_index is on), else reports
// kInvalidFolder and leaves the dirty flag alone.
// A failed generation reports kCancelled with the error, so that cancelling
// the dialog afterwards does not announce scripts that were not written.
CreateConfirmation ConfirmCreate(Database& db, const ScriptSettings& controls, bool create_scripts,
                                 const std::string& template_dir, bool write_index = true,
                                 FileSystem& fs = DefaultFileSystem());

// The main window's notice after the dialog closed: none when cancelled.
std::optional<std::string> CreateOutcomeMessage(CreateOutcome outcome, std::string_view folder,
                                                bool create_scripts);

}  // namespace duvra
