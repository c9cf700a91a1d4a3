#include "scripts/create_scripts.h"

#include "base/text_file.h"
#include "database/db_files.h"
#include "database/file_writer.h"
#include "scripts/script_text.h"
#include "scripts/search_index.h"

namespace duvra {
namespace {

Status ReadTemplate(const std::string& path, std::vector<std::string>* lines) {
  std::string data;
  Status s = ReadFileText(path, &data);
  if (s.ok()) *lines = TemplateLines(data);
  return s;
}

// The header lines followed by the template lines, each ended by CR LF.
std::string ScriptText(std::vector<std::string> header, const std::vector<std::string>& body) {
  header.insert(header.end(), body.begin(), body.end());
  return JoinLines(header);
}

}  // namespace

Status WriteScriptFile(const std::string& path, std::string_view text, FileSystem& fs) {
  if (int error = ReplaceFileWith(fs, path, text); error != 0) {
    return Status::Error(FormatMessage(kCannotCreateFile, {path, SystemReason(error)}));
  }
  return Status::Ok();
}

std::string ScriptPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  path.push_back(kPathSeparator);
  path.append(name);
  return path;
}

Status CreateScripts(const ScriptJob& job, const std::vector<std::string>& record_lines,
                     FileSystem& fs) {
  const std::string& folder = job.settings.folder;
  if (job.create_scripts) {
    std::vector<std::string> form_body, search_body;
    Status s = ReadTemplate(job.template_dir + std::string(kFormTemplate), &form_body);
    if (s.ok()) s = ReadTemplate(job.template_dir + std::string(kSearchTemplate), &search_body);
    if (!s.ok()) return s;

    s = WriteScriptFile(ScriptPath(folder, kFormScript),
                        ScriptText(FormHeaderLines(job.settings.location), form_body), fs);
    if (!s.ok()) return s;
    s = WriteScriptFile(ScriptPath(folder, kSearchScript),
                        ScriptText(SearchHeaderLines(job.settings), search_body), fs);
    if (!s.ok()) return s;
  }
  Status s = WriteScriptFile(ScriptPath(folder, kDataScript), DataScriptText(record_lines), fs);
  if (!s.ok()) return s;
  s = WriteScriptFile(ScriptPath(folder, kWordsScript), WordsScriptText(job.excluded_words), fs);
  if (!s.ok()) return s;
  if (!job.write_index) return RemoveSearchIndex(folder);
  s = WriteSearchIndex(folder, record_lines, fs, job.index_limits);
  if (!s.ok()) (void)RemoveSearchIndex(folder);
  return s;
}

}  // namespace duvra
