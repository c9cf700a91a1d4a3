#include "scripted_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
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
}

std::string ScriptedServer::Url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
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
  // Reads what is there into pending; false at the end of the stream.
  auto receive = [&]() {
    if (!ready(POLLIN)) return false;
    char buffer[4096];
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n > 0) pending.append(buffer, static_cast<size_t>(n));
    return n > 0 || (n < 0 && errno == EAGAIN);
  };
  auto send_all = [&](std::string_view data) {
    while (!data.empty()) {
      const ssize_t n = send(fd, data.data(), data.size(), MSG_NOSIGNAL);
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
  close(fd);
}

}  // namespace duvra::testing
