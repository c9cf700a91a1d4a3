#include "scripts/create_scripts.h"

#include "database/db_files.h"
#include "database/text_file.h"
#include "scripts/script_text.h"
#include "scripts/search_index.h"

namespace duvra {
namespace {

Status ReadTemplate(const std::string& path, std::vector<std::string>* lines) {
  std::string data;
  int error = 0;
  if (!ReadWholeFile(path, &data, &error)) {
    return Status::Error(FormatMessage(kCannotOpenFile, {path, SystemReason(error)}));
  }
  *lines = TemplateLines(data);
  return Status::Ok();
}

// The header lines followed by the template lines, each ended by CR LF.
std::string ScriptText(std::vector<std::string> header, const std::vector<std::string>& body) {
  header.insert(header.end(), body.begin(), body.end());
  return JoinLines(header);
}

Status WriteScript(const std::string& path, std::string_view text) {
  int error = 0;
  if (!WriteFileAtomic(path, text, &error)) {
    return Status::Error(FormatMessage(kCannotCreateFile, {path, SystemReason(error)}));
  }
  return Status::Ok();
}

}  // namespace

std::string ScriptPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  path.push_back(kPathSeparator);
  path.append(name);
  return path;
}

Status CreateScripts(const ScriptJob& job, const std::vector<std::string>& record_lines) {
  const std::string& folder = job.settings.folder;
  if (job.create_scripts) {
    std::vector<std::string> form_body, search_body;
    Status s = ReadTemplate(job.template_dir + std::string(kFormTemplate), &form_body);
    if (s.ok()) s = ReadTemplate(job.template_dir + std::string(kSearchTemplate), &search_body);
    if (!s.ok()) return s;

    s = WriteScript(ScriptPath(folder, kFormScript),
                    ScriptText(FormHeaderLines(job.settings.location), form_body));
    if (!s.ok()) return s;
    s = WriteScript(ScriptPath(folder, kSearchScript),
                    ScriptText(SearchHeaderLines(job.settings), search_body));
    if (!s.ok()) return s;
  }
  Status s = WriteScript(ScriptPath(folder, kDataScript), DataScriptText(record_lines));
  if (!s.ok()) return s;
  s = WriteScript(ScriptPath(folder, kWordsScript), WordsScriptText(job.excluded_words));
  if (!s.ok()) return s;
  if (!job.write_index) return RemoveSearchIndex(folder);
  s = WriteSearchIndex(folder, record_lines, WriteScript);
  if (!s.ok()) (void)RemoveSearchIndex(folder);
  return s;
}

}  // namespace duvra
