// What the log viewer does with the bytes a log server sends: pass them on untouched, or turn
// whole CP949 lines into UTF-8 lines with LF ends for a terminal.
#pragma once

#include <string>
#include <string_view>

class LogStream {
 public:
  explicit LogStream(bool to_utf8) : to_utf8_(to_utf8) {}

  // Returns what may be printed now; in UTF-8 mode an unfinished line waits for its end.
  std::string Feed(std::string_view bytes);
  // What is left of an unfinished line when the connection ends.
  std::string Flush();

 private:
  std::string ConvertLine(std::string_view line) const;

  bool to_utf8_;
  std::string pending_;
};
