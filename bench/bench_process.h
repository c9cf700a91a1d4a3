// Running a peer tool (wget, curl) from a benchmark, with its output thrown
// away.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace duvra::bench {

// Runs argv (looked up on PATH) and waits for it. Returns false when it
// could not be started or did not exit normally; *exit_code gets its status.
inline bool RunQuietly(const std::vector<std::string>& argv, int* exit_code) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status)) return false;
  *exit_code = WEXITSTATUS(status);
  return true;
}

// RunQuietly that also asks for a zero exit status.
inline bool RunQuietlyOk(const std::vector<std::string>& argv) {
  int code = -1;
  return RunQuietly(argv, &code) && code == 0;
}

}  // namespace duvra::bench
