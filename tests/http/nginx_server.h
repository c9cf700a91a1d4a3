// Starts Debian's nginx on a free loopback port with a configuration and
// prefix of its own in a temporary folder, running as the current user, and
// stops it again. Header-only so that the benchmark can use it too.
//
// nginx runs as one process in the foreground (no daemon, no master), as the
// forked child of the thread that made the server, and is killed when that
// thread ends, so a test binary that dies (an assertion, the address
// sanitizer, a kill) leaves no server behind. Make the server on a thread
// that outlives it, such as the main thread.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace duvra::testing {

// The certificate (with its chain) and key nginx serves TLS with.
struct NginxTls {
  std::string cert_file;
  std::string key_file;
};

class NginxServer {
 public:
  // extra_config goes into the server block, after "root". With tls the
  // server speaks only TLS.
  explicit NginxServer(const std::string& extra_config = "", const NginxTls& tls = {}) : tls_(tls) {
    const std::string binary = FindNginx();
    if (binary.empty()) {
      error_ = "nginx is not installed (scripts/setup.sh installs nginx-light)";
      return;
    }
    char dir_template[] = "/tmp/duvra-nginx-XXXXXX";
    if (mkdtemp(dir_template) == nullptr) {
      error_ = "cannot make a temporary folder";
      return;
    }
    prefix_ = dir_template;
    std::filesystem::create_directories(prefix_ + "/html");
    std::filesystem::create_directories(prefix_ + "/tmp");
    for (int attempt = 0; attempt < 5 && pid_ <= 0; ++attempt) {
      port_ = FreePort();
      WriteConfig(extra_config);
      Start(binary);
    }
    if (pid_ <= 0) {
      error_ = "nginx did not start: " + ReadAll(prefix_ + "/error.log") +
               ReadAll(prefix_ + "/output.log");
    }
  }

  ~NginxServer() {
    if (pid_ > 0) Stop(pid_);
    if (!prefix_.empty()) {
      std::error_code ignored;
      std::filesystem::remove_all(prefix_, ignored);
    }
  }

  NginxServer(const NginxServer&) = delete;
  NginxServer& operator=(const NginxServer&) = delete;

  bool ok() const { return pid_ > 0; }
  // The nginx process, while it runs, and the folder it runs in.
  pid_t pid() const { return pid_; }
  const std::string& folder() const { return prefix_; }
  const std::string& error() const { return error_; }
  int port() const { return port_; }
  std::string Url(const std::string& path) const {
    return (tls_.cert_file.empty() ? "http://127.0.0.1:" : "https://127.0.0.1:") +
           std::to_string(port_) + path;
  }

  // Writes a file below the document root.
  void WritePage(const std::string& path, const std::string& content) const {
    const std::filesystem::path file = prefix_ + "/html" + path;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
  }

  // The access log, one entry per request:
  // connection serial, status, request URI, user agent, cookie.
  struct LogEntry {
    long connection = 0;
    int status = 0;
    std::string uri, user_agent, cookie;
  };

  // Waits (briefly) until at least count requests are logged, then returns
  // the log; nginx writes an entry only after the response is sent.
  std::vector<LogEntry> AccessLog(size_t count = 0) const {
    std::vector<LogEntry> entries;
    for (int i = 0; i < 200; ++i) {
      entries = ParseLog(ReadAll(prefix_ + "/access.log"));
      if (entries.size() >= count) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return entries;
  }

  // Whether something accepts connections on the loopback port.
  static bool Accepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    const bool up = connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    close(fd);
    return up;
  }

  // How many connections carried the logged requests.
  static size_t Connections(const std::vector<LogEntry>& entries) {
    std::set<long> serials;
    for (const LogEntry& e : entries) serials.insert(e.connection);
    return serials.size();
  }

 private:
  static std::string FindNginx() {
    for (const char* path : {"/usr/sbin/nginx", "/usr/bin/nginx", "/usr/local/sbin/nginx"}) {
      if (access(path, X_OK) == 0) return path;
    }
    return "";
  }

  static int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
    close(fd);
    return ntohs(addr.sin_port);
  }

  static std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }

  // Fields are separated by tabs; nginx escapes tabs inside values.
  static std::vector<LogEntry> ParseLog(const std::string& text) {
    std::vector<LogEntry> entries;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
      std::vector<std::string> fields;
      std::istringstream parts(line);
      std::string field;
      while (std::getline(parts, field, '\t')) fields.push_back(field);
      if (fields.size() < 5) continue;
      entries.push_back(LogEntry{std::atol(fields[0].c_str()), std::atoi(fields[1].c_str()),
                                 fields[2], fields[3], fields[4]});
    }
    return entries;
  }

  void WriteConfig(const std::string& extra) const {
    const std::string p = prefix_;
    std::ofstream conf(p + "/nginx.conf");
    conf << "daemon off;\n"
            "master_process off;\n"
            "worker_processes 1;\n"
            "pid "
         << p << "/nginx.pid;\n"
         << "error_log " << p << "/error.log warn;\n"
         << "events { worker_connections 256; }\n"
            "http {\n"
            "  log_format conn "
            "'$connection\\t$status\\t$request_uri\\t$http_user_agent\\t$http_cookie';\n"
            "  access_log "
         << p << "/access.log conn;\n"
         << "  client_body_temp_path " << p << "/tmp/body;\n"
         << "  proxy_temp_path " << p << "/tmp/proxy;\n"
         << "  fastcgi_temp_path " << p << "/tmp/fastcgi;\n"
         << "  uwsgi_temp_path " << p << "/tmp/uwsgi;\n"
         << "  scgi_temp_path " << p << "/tmp/scgi;\n"
         << "  types { text/html html htm shtml; }\n"
            "  default_type application/octet-stream;\n"
            "  keepalive_requests 100000;\n"
            "  keepalive_timeout 60s;\n"
            "  server {\n"
            "    listen 127.0.0.1:"
         << port_ << (tls_.cert_file.empty() ? "" : " ssl") << ";\n";
    if (!tls_.cert_file.empty()) {
      conf << "    ssl_certificate " << tls_.cert_file << ";\n"
           << "    ssl_certificate_key " << tls_.key_file << ";\n";
    }
    conf << "    root " << p << "/html;\n" << extra << "\n  }\n}\n";
  }

  // Asks nginx to stop, then kills it if it has not within five seconds,
  // so that a stuck server cannot hold up the test binary.
  static void Stop(pid_t pid) {
    kill(pid, SIGTERM);
    int status;
    for (int i = 0; i < 500; ++i) {
      if (waitpid(pid, &status, WNOHANG) != 0) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }

  void Start(const std::string& binary) {
    // Everything the child needs is made before the fork: between fork and
    // exec only calls that are safe in a copy of a threaded process.
    const std::string conf = prefix_ + "/nginx.conf";
    const std::string error_log = prefix_ + "/error.log";
    const std::string output = prefix_ + "/output.log";
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      // The parent may have died before the line above took effect.
      if (getppid() != parent) _exit(127);
      // nginx's own output goes to a file, not to the test's: a test runner
      // reading the test's output waits until every process holding it ends.
      const int null_fd = open("/dev/null", O_RDONLY);
      const int out_fd = open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
      if (null_fd < 0 || out_fd < 0) _exit(127);
      dup2(null_fd, STDIN_FILENO);
      dup2(out_fd, STDOUT_FILENO);
      dup2(out_fd, STDERR_FILENO);
      if (null_fd > STDERR_FILENO) close(null_fd);
      if (out_fd > STDERR_FILENO) close(out_fd);
      execl(binary.c_str(), binary.c_str(), "-p", prefix_.c_str(), "-c", conf.c_str(), "-e",
            error_log.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    if (pid < 0) return;
    // Ready once the port accepts; gone if it exited (a port taken meanwhile).
    for (int i = 0; i < 500; ++i) {
      int status;
      if (waitpid(pid, &status, WNOHANG) == pid) return;
      if (Accepts(port_)) {
        pid_ = pid;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    int status;
    waitpid(pid, &status, 0);
  }

  NginxTls tls_;
  std::string prefix_;
  std::string error_;
  int port_ = 0;
  pid_t pid_ = -1;
};

}  // namespace duvra::testing
