// Status: the outcome of an operation that can fail in an expected way.
// An ok Status carries no message; a failed one carries the text that the
// window shows to the user unchanged.
#pragma once

#include <string>
#include <utility>

namespace duvra {

class [[nodiscard]] Status {
 public:
  Status() = default;  // ok
  static Status Ok() { return Status(); }
  static Status Error(std::string message) { return Status(std::move(message), true); }

  bool ok() const { return !failed_; }
  // The user-facing text of a failure; empty when ok.
  const std::string& message() const { return message_; }

 private:
  Status(std::string message, bool failed) : message_(std::move(message)), failed_(failed) {}
  std::string message_;
  bool failed_ = false;
};

// Replaces "%s" placeholders of a message template in order.
std::string FormatMessage(std::string_view tmpl, std::initializer_list<std::string_view> args);

}  // namespace duvra
