// A private log directory per test, so tests can read back the ERROR lines of the utilities.
#pragma once

#include <dirent.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <string>

#include "liblog.h"

namespace utiltest {

class CapturedLog {
 public:
  CapturedLog() {
    char pattern[] = "/tmp/libutil-test-XXXXXX";
    dir_ = mkdtemp(pattern);
    liblog::SetLogPath(dir_.c_str());
    liblog::SetLogName("util");
    // Daily files, no console echo: the test reads the file back.
    liblog::SetLogFlags(LOG_FILE | LOG_NO_CLEANUP | LOG_FILE_DAILY | LOG_TRACE);
  }

  std::string Text() const {
    std::string all;
    if (DIR* d = opendir(dir_.c_str())) {
      while (const dirent* e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        std::ifstream in(dir_ + "/" + e->d_name, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        all += s.str();
      }
      closedir(d);
    }
    return all;
  }

 private:
  std::string dir_;
};

}  // namespace utiltest
