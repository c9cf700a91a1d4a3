// CreateScripts: writes duv_form.js and duv_search.js (header + template)
// and duv_data.js (the records) into the scripts folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "database/file_system.h"
#include "database/status.h"
#include "scripts/script_settings.h"

namespace duvra {

inline constexpr std::string_view kFormTemplate = "form.dat";
inline constexpr std::string_view kSearchTemplate = "search.dat";
inline constexpr std::string_view kFormScript = "duv_form.js";
inline constexpr std::string_view kSearchScript = "duv_search.js";
inline constexpr std::string_view kDataScript = "duv_data.js";

struct ScriptJob {
  ScriptSettings settings;     // settings.folder is used exactly as typed
  bool create_scripts = true;  // the create-scripts switch; off: data script only
  std::string template_dir;    // holds form.dat and search.dat, ending with "/"
};

// The path of a generated file: folder + "/" + name, even when the folder
// already ends in a separator (the system takes the doubled one).
std::string ScriptPath(std::string_view folder, std::string_view name);

// Writes one generated file whole through the program's file-writing path
// (file_writer.h): permission bits and links kept, a write-protected file
// refused. Fails with "Cannot create file ...". Every file the generator
// writes into the scripts folder goes through here.
Status WriteScriptFile(const std::string& path, std::string_view text,
                       FileSystem& fs = DefaultFileSystem());

// Writes the scripts of the job from the record lines, in the order form,
// search, data. The templates are read before anything is written, so a
// missing template writes nothing. Each file is written by WriteScriptFile:
// a failure leaves that file as it was (never half written), keeps the files
// completed before it, and returns the file error ("Cannot open file ..."
// for a template, "Cannot create file ..." for a script).
Status CreateScripts(const ScriptJob& job, const std::vector<std::string>& record_lines,
                     FileSystem& fs = DefaultFileSystem());

}  // namespace duvra
