// CreateScripts: writes duv_form.js and duv_search.js (header + template),
// duv_data.js (the records) and duv_words.js (the excluded words) into the
// scripts folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"
#include "database/file_system.h"
#include "scripts/script_settings.h"
#include "scripts/search_index.h"

namespace duvra {

inline constexpr std::string_view kFormTemplate = "form.dat";
inline constexpr std::string_view kSearchTemplate = "search.dat";
inline constexpr std::string_view kFormScript = "duv_form.js";
inline constexpr std::string_view kSearchScript = "duv_search.js";
inline constexpr std::string_view kDataScript = "duv_data.js";
// The site's excluded words for the search, written beside the data script.
inline constexpr std::string_view kWordsScript = "duv_words.js";

struct ScriptJob {
  ScriptSettings settings;                  // settings.folder is used exactly as typed
  bool create_scripts = true;               // the create-scripts switch; off: data script only
  std::string template_dir;                 // holds form.dat and search.dat, ending with "/"
  std::vector<std::string> excluded_words;  // the database's, for duv_words.js
  bool write_index = true;                  // the search index in duv_index/ beside the data
  IndexLimits index_limits;                 // the sizes of its parts
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
// search, data, then the excluded words (always, like the data script), then
// the search index (or, with write_index off, takes an old one out of use,
// as it would no longer match the data). A failed index is taken out of use
// too, so that the search reads the new data script. The templates are read
// before anything is written, so a missing template writes nothing. Each
// file is written by WriteScriptFile: a failure leaves that file as it was
// (never half written), keeps the files completed before it, and returns the
// file error ("Cannot open file ..." for a template, "Cannot create file ..."
// for a script).
Status CreateScripts(const ScriptJob& job, const std::vector<std::string>& record_lines,
                     FileSystem& fs = DefaultFileSystem());

}  // namespace duvra
