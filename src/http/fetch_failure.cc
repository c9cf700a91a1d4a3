#include "http/fetch_failure.h"

#include <cstring>

namespace duvra {

Failure MakeFailure(FailureKind kind, std::string_view message) {
  Failure f;
  f.kind = kind;
  f.message = std::string(message);
  return f;
}

Failure SocketFailure(int code, std::string_view reason) {
  std::string text;
  const std::string_view tmpl = kSocketErrorText;
  for (size_t i = 0; i < tmpl.size(); ++i) {
    if (tmpl[i] == '%' && i + 1 < tmpl.size() && (tmpl[i + 1] == 'd' || tmpl[i + 1] == 's')) {
      text += tmpl[i + 1] == 'd' ? std::to_string(code) : std::string(reason);
      ++i;
    } else {
      text.push_back(tmpl[i]);
    }
  }
  return MakeFailure(FailureKind::kSocket, text);
}

Failure TransferFailure(const IoResult& result, FailureKind timeout_kind) {
  switch (result.status) {
    case IoStatus::kTimeout:
      return MakeFailure(timeout_kind, timeout_kind == FailureKind::kConnectTimeout
                                           ? kConnectTimeoutText
                                           : kReadTimeoutText);
    case IoStatus::kStopped:
      return MakeFailure(FailureKind::kStopped, kStoppedText);
    case IoStatus::kClosed:
      return MakeFailure(FailureKind::kClosed, kClosedText);
    default:
      return SocketFailure(result.error_code, std::strerror(result.error_code));
  }
}

Failure StatusFailure(int code, std::string_view status_line, std::string_view location) {
  Failure f = MakeFailure(FailureKind::kStatus, status_line);
  f.status_code = code;
  f.status_line = std::string(status_line);
  f.location = std::string(location);
  return f;
}

}  // namespace duvra
