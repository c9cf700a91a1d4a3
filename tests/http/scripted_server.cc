#include "scripted_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace duvra::testing {

Script Answer(std::string response) { return Script{ReadRequest(), Send(std::move(response))}; }

std::string Ok(std::string_view body, std::string_view extra_headers) {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" +
         std::string(extra_headers) + "\r\n" + std::string(body);
}

ScriptedServer::ScriptedServer(std::vector<Script> scripts) : scripts_(std::move(scripts)) {
  Listen();
}

ScriptedServer::ScriptedServer(std::vector<Script> scripts, const ServerCertificate& certificate)
    : scripts_(std::move(scripts)) {
  // OpenSSL writes to the socket with write(): a client that goes away
  // must not end the test binary.
  signal(SIGPIPE, SIG_IGN);
  tls_ = SSL_CTX_new(TLS_server_method());
  if (tls_ == nullptr ||
      SSL_CTX_use_certificate_chain_file(tls_, certificate.cert_file.c_str()) != 1 ||
      SSL_CTX_use_PrivateKey_file(tls_, certificate.key_file.c_str(), SSL_FILETYPE_PEM) != 1) {
    throw std::runtime_error("server certificate");
  }
  Listen();
}

void ScriptedServer::Listen() {
  if (pipe2(wake_fds_, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("pipe");
  listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof addr;
  if (listen_fd_ < 0 || bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      listen(listen_fd_, 16) != 0 ||
      getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &length) != 0) {
    throw std::runtime_error("listen");
  }
  port_ = ntohs(addr.sin_port);
  acceptor_ = std::thread([this] { AcceptLoop(); });
}

ScriptedServer::~ScriptedServer() {
  stopping_ = true;
  const char byte = 1;
  [[maybe_unused]] ssize_t n = write(wake_fds_[1], &byte, 1);
  acceptor_.join();
  for (std::thread& t : workers_) t.join();
  close(listen_fd_);
  close(wake_fds_[0]);
  close(wake_fds_[1]);
  if (tls_ != nullptr) SSL_CTX_free(tls_);
}

std::string ScriptedServer::Url(std::string_view path) const {
  return (tls_ != nullptr ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(port_) +
         std::string(path);
}

std::vector<std::string> ScriptedServer::requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void ScriptedServer::Record(std::string request) {
  std::lock_guard<std::mutex> lock(mutex_);
  requests_.push_back(std::move(request));
}

bool ScriptedServer::Wait(int ms) const {
  pollfd p{wake_fds_[0], POLLIN, 0};
  return poll(&p, 1, ms) == 0;
}

void ScriptedServer::AcceptLoop() {
  for (;;) {
    pollfd p[2] = {{listen_fd_, POLLIN, 0}, {wake_fds_[0], POLLIN, 0}};
    if (poll(p, 2, -1) < 0 && errno != EINTR) return;
    if (stopping_) return;
    if ((p[0].revents & POLLIN) == 0) continue;
    const int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) continue;
    const int index = accepted_++;
    if (index >= static_cast<int>(scripts_.size())) {
      close(fd);
      continue;
    }
    workers_.emplace_back([this, fd, index] { Play(fd, scripts_[index]); });
  }
}

void ScriptedServer::Play(int fd, const Script& script) {
  std::string pending;  // bytes received and not yet taken as a request
  // Waits for fd to be ready for events; false when the server stops.
  auto ready = [&](short events) {
    pollfd p[2] = {{fd, events, 0}, {wake_fds_[0], POLLIN, 0}};
    while (poll(p, 2, -1) < 0 && errno == EINTR) {
    }
    return !stopping_;
  };

  SSL* ssl = nullptr;
  if (tls_ != nullptr) {
    ssl = SSL_new(tls_);
    SSL_set_fd(ssl, fd);
    for (;;) {
      ERR_clear_error();
      const int rc = SSL_accept(ssl);
      if (rc == 1) break;
      const int error = SSL_get_error(ssl, rc);
      if ((error == SSL_ERROR_WANT_READ && ready(POLLIN)) ||
          (error == SSL_ERROR_WANT_WRITE && ready(POLLOUT))) {
        continue;
      }
      ++failed_handshakes_;
      SSL_free(ssl);
      close(fd);
      return;
    }
    if (SSL_session_reused(ssl) == 1) ++resumed_;
  }
  // recv and send over TCP or TLS: -1 with EAGAIN when the call would block.
  auto recv_some = [&](char* buffer, size_t capacity) -> ssize_t {
    if (ssl == nullptr) return recv(fd, buffer, capacity, 0);
    size_t n = 0;
    ERR_clear_error();
    const int rc = SSL_read_ex(ssl, buffer, capacity, &n);
    if (rc == 1) return static_cast<ssize_t>(n);
    const int error = SSL_get_error(ssl, rc);
    if (error == SSL_ERROR_ZERO_RETURN) return 0;
    errno = error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE ? EAGAIN : ECONNRESET;
    return -1;
  };
  auto send_some = [&](std::string_view data) -> ssize_t {
    if (ssl == nullptr) return send(fd, data.data(), data.size(), MSG_NOSIGNAL);
    size_t n = 0;
    ERR_clear_error();
    const int rc = SSL_write_ex(ssl, data.data(), data.size(), &n);
    if (rc == 1) return static_cast<ssize_t>(n);
    const int error = SSL_get_error(ssl, rc);
    errno = error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE ? EAGAIN : EPIPE;
    return -1;
  };
  // Reads what is there into pending; false at the end of the stream.
  auto receive = [&]() {
    const bool buffered = ssl != nullptr && SSL_pending(ssl) > 0;
    if (!buffered && !ready(POLLIN)) return false;
    char buffer[4096];
    const ssize_t n = recv_some(buffer, sizeof buffer);
    if (n > 0) pending.append(buffer, static_cast<size_t>(n));
    return n > 0 || (n < 0 && errno == EAGAIN);
  };
  auto send_all = [&](std::string_view data) {
    while (!data.empty()) {
      const ssize_t n = send_some(data);
      if (n > 0) {
        data.remove_prefix(static_cast<size_t>(n));
      } else if (n < 0 && errno == EAGAIN) {
        if (!ready(POLLOUT)) return false;
      } else {
        return false;
      }
    }
    return true;
  };

  bool open = true;
  bool ended = false;  // closed or reset by the script
  for (const Step& step : script) {
    if (!open || stopping_) break;
    switch (step.kind) {
      case Step::kReadRequest: {
        size_t end;
        while ((end = pending.find("\r\n\r\n")) == std::string::npos) {
          if (!receive()) {
            open = false;
            break;
          }
        }
        if (end != std::string::npos) {
          Record(pending.substr(0, end + 4));
          pending.erase(0, end + 4);
        }
        break;
      }
      case Step::kSend:
        open = send_all(step.data);
        break;
      case Step::kTrickle:
        for (char c : step.data) {
          if (!send_all(std::string_view(&c, 1)) || !Wait(step.ms)) {
            open = false;
            break;
          }
        }
        break;
      case Step::kPause:
        open = Wait(step.ms);
        break;
      case Step::kClose:
        if (ssl != nullptr) SSL_shutdown(ssl);
        [[fallthrough]];
      case Step::kCloseSocket:
        shutdown(fd, SHUT_WR);
        // Let the client see the clean end before the socket goes.
        while (receive()) {
        }
        ended = true;
        open = false;
        break;
      case Step::kReset: {
        linger l{1, 0};
        setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
        ended = true;
        open = false;
        break;
      }
      case Step::kHold:
        break;
      case Step::kTicket:
        if (ssl != nullptr && SSL_new_session_ticket(ssl) == 1) {
          for (int rc; (rc = SSL_do_handshake(ssl)) != 1;) {
            const int error = SSL_get_error(ssl, rc);
            if (error != SSL_ERROR_WANT_WRITE || !ready(POLLOUT)) break;
          }
        }
        break;
      case Step::kSendForever:
        while (send_all(step.data)) {
        }
        open = false;
        break;
    }
  }
  if (open && !ended) {
    while (receive()) {
    }
  }
  if (!pending.empty()) Record(pending);
  if (ssl != nullptr) SSL_free(ssl);
  close(fd);
}

}  // namespace duvra::testing
