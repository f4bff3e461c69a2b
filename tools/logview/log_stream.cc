#include "log_stream.h"

#include "codepage.h"

std::string LogStream::Feed(std::string_view bytes) {
  if (!to_utf8_) return std::string(bytes);
  pending_.append(bytes);
  std::string out;
  size_t start = 0;
  for (size_t end; (end = pending_.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string_view line(pending_.data() + start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    out += ConvertLine(line);
    out += '\n';
  }
  pending_.erase(0, start);
  return out;
}

std::string LogStream::Flush() {
  std::string rest = to_utf8_ ? ConvertLine(pending_) : std::string();
  pending_.clear();
  return rest;
}

// A line that is not valid CP949 is shown as it came rather than dropped.
std::string LogStream::ConvertLine(std::string_view line) const {
  std::string utf8;
  return platform::Cp949ToUtf8(line, &utf8) ? utf8 : std::string(line);
}
