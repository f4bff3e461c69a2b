// Line layout, level choice and file naming, proven at fixed times through the fake clock.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "clock.h"
#include "liblog.h"
#include "log_test_util.h"

namespace {

constexpr unsigned int kControl = LOG_FILE | LOG_NO_CLEANUP | LOG_TIME;

class LogLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = logtest::MakeTempDir();
    liblog::SetLogPath(dir_.c_str());
    liblog::SetLogName("Telvoq");
    liblog::SetLogFlags(kControl | LOG_TRACE);
    clock_.SetLocal(2011, 2, 14, 9, 5, 7, 42);
    platform::SetClockForTesting(&clock_);
  }
  void TearDown() override { platform::SetClockForTesting(nullptr); }

  std::string File(const std::string& suffix) { return logtest::ReadFile(dir_ + "/Telvoq." + suffix); }

  std::string dir_;
  platform::FakeClock clock_;
};

TEST_F(LogLineTest, ControlLineHasTheDocumentedBytes) {
  liblog::PrintEx(kControl | LOG_TRACE, "CCTILogic::SetLogPath(%s)", "D:\\CTI");
  EXPECT_EQ(File("20110214_09.Log"), "2011/02/14 09:05:07 TRACE CCTILogic::SetLogPath(D:\\CTI)\r\n");
}

TEST_F(LogLineTest, LevelLabelFollowsPrecedenceAndDefault) {
  struct Case {
    unsigned int flags;
    const char* expected;  // nullptr: the line is dropped
  } cases[] = {
      {kControl | LOG_ERROR | LOG_TRACE, "ERROR "},
      {kControl | LOG_INFO | LOG_TRACE, " INFO "},
      {kControl | LOG_INFO | LOG_DEBUG, " INFO "},
      {kControl | LOG_TRACE, "TRACE "},
      {kControl, "TRACE "},  // no level: the default level
      {kControl | LOG_DEBUG, nullptr},
      {kControl | LOG_ERROR | LOG_NO_LEVEL, "      "},
  };
  for (const Case& c : cases) {
    std::string before = File("20110214_09.Log");
    liblog::PrintEx(c.flags, "m");
    std::string added = File("20110214_09.Log").substr(before.size());
    if (c.expected == nullptr) {
      EXPECT_EQ(added, "") << std::hex << c.flags;
    } else {
      EXPECT_EQ(added, std::string("2011/02/14 09:05:07 ") + c.expected + "m\r\n") << std::hex << c.flags;
    }
  }
}

TEST_F(LogLineTest, DefaultLevelComesFromSetLogFlagsAndPrintUsesIt) {
  liblog::SetLogFlags(kControl | LOG_ERROR);
  EXPECT_EQ(liblog::GetLogFlags(), kControl);
  liblog::Print("first");
  liblog::SetLogFlags(kControl | LOG_DEBUG);  // a default level the mask drops
  liblog::Print("second");
  EXPECT_EQ(File("20110214_09.Log"), "2011/02/14 09:05:07 ERROR first\r\n");
}

TEST_F(LogLineTest, TimeStampForms) {
  struct Case {
    unsigned int time_flags;
    const char* expected;
  } cases[] = {
      {LOG_TIME, "2011/02/14 09:05:07  INFO x\r\n"},
      {LOG_TIME_MSEC, "2011/02/14 09:05:07.042  INFO x\r\n"},
      {LOG_TIME | LOG_TIME_MSEC, "2011/02/14 09:05:07  INFO x\r\n"},
      {0, " INFO x\r\n"},
  };
  for (const Case& c : cases) {
    std::string before = File("20110214_09.Log");
    liblog::PrintEx(LOG_FILE | LOG_NO_CLEANUP | LOG_INFO | c.time_flags, "x");
    EXPECT_EQ(File("20110214_09.Log").substr(before.size()), c.expected);
  }
}

TEST_F(LogLineTest, FileNameComesFromTheLinesOwnTime) {
  struct Case {
    int hour, minute, second;
    unsigned int period;
    const char* file;
  } cases[] = {
      {15, 59, 59, 0, "20110214_15.Log"},
      {16, 0, 0, 0, "20110214_16.Log"},
      {15, 59, 59, LOG_FILE_DAILY, "20110214.Log"},
      {16, 0, 0, LOG_FILE_DAILY, "20110214.Log"},
      {9, 59, 0, LOG_FILE_20MIN, "20110214_0940.Log"},
      {10, 5, 0, LOG_FILE_20MIN, "20110214_1000.Log"},
      {10, 19, 0, LOG_FILE_10MIN, "20110214_1010.Log"},
      {10, 59, 59, LOG_FILE_30MIN, "20110214_1030.Log"},
      {10, 29, 0, LOG_FILE_10MIN | LOG_FILE_DAILY, "20110214_1020.Log"},
      {10, 29, 0, LOG_FILE_20MIN | LOG_FILE_30MIN, "20110214_1020.Log"},
      {0, 0, 0, 0, "20110214_00.Log"},
  };
  for (const Case& c : cases) {
    clock_.SetLocal(2011, 2, 14, c.hour, c.minute, c.second);
    liblog::PrintEx(kControl | LOG_TRACE | c.period, "at %02d:%02d:%02d", c.hour, c.minute, c.second);
    std::string content = File(c.file);
    char expected[64];
    snprintf(expected, sizeof expected, "TRACE at %02d:%02d:%02d\r\n", c.hour, c.minute, c.second);
    EXPECT_NE(content.find(expected), std::string::npos) << c.file << " lacks " << expected;
  }
}

TEST_F(LogLineTest, MidnightStartsTheNextDaysFile) {
  clock_.SetLocal(2011, 12, 31, 23, 59, 59, 999);
  liblog::PrintEx(kControl | LOG_TRACE | LOG_FILE_DAILY, "old year");
  clock_.Advance(1);
  liblog::PrintEx(kControl | LOG_TRACE | LOG_FILE_DAILY, "new year");
  EXPECT_EQ(File("20111231.Log"), "2011/12/31 23:59:59 TRACE old year\r\n");
  EXPECT_EQ(File("20120101.Log"), "2012/01/01 00:00:00 TRACE new year\r\n");
}

TEST_F(LogLineTest, LongMessageIsCutAt4093CharactersWithItsLineEnd) {
  std::string message(5000, 'x');
  liblog::PrintEx(kControl | LOG_TRACE, "%s", message.c_str());
  std::string content = File("20110214_09.Log");
  ASSERT_EQ(content.size(), 4093u + 2u);
  EXPECT_EQ(content.substr(0, 26), "2011/02/14 09:05:07 TRACE ");
  EXPECT_EQ(content.substr(26, 4093 - 26), std::string(4093 - 26, 'x'));
  EXPECT_EQ(content.substr(4093), "\r\n");

  // Exactly at the limit nothing is lost.
  std::string fits(4093 - 26, 'y');
  liblog::PrintEx(kControl | LOG_TRACE | LOG_FILE_DAILY, "%s", fits.c_str());
  EXPECT_EQ(File("20110214.Log"), "2011/02/14 09:05:07 TRACE " + fits + "\r\n");
}

TEST_F(LogLineTest, PathAndNameAreStoredWithinTheirFields) {
  liblog::SetLogPath((dir_ + "/").c_str());  // one trailing slash is dropped
  EXPECT_EQ(std::string(liblog::GetLogPath()), dir_);
  liblog::SetLogPath("C:\\Logs\\");
  EXPECT_STREQ(liblog::GetLogPath(), "C:\\Logs");
  liblog::SetLogPath("//");
  EXPECT_STREQ(liblog::GetLogPath(), "/") << "only one separator goes";

  std::string long_path = "/" + std::string(299, 'p');
  liblog::SetLogPath(long_path.c_str());
  EXPECT_EQ(std::string(liblog::GetLogPath()), long_path.substr(0, 260));

  // A stem the file system can hold is used whole; a longer one cannot name a file here, and
  // its line is lost without harm to the next.
  liblog::SetLogPath(dir_.c_str());
  std::string stem(200, 's');
  liblog::SetLogName(stem.c_str());
  liblog::PrintEx(kControl | LOG_TRACE, "long stem");
  EXPECT_EQ(logtest::ReadFile(dir_ + "/" + stem + ".20110214_09.Log"),
            "2011/02/14 09:05:07 TRACE long stem\r\n");
  liblog::SetLogName(std::string(300, 's').c_str());
  liblog::PrintEx(kControl | LOG_TRACE, "lost");
  EXPECT_EQ(logtest::ListDir(dir_).size(), 1u);

  // An empty stem gives names that start with the dot.
  liblog::SetLogName("");
  liblog::PrintEx(kControl | LOG_TRACE, "no stem");
  EXPECT_EQ(logtest::ReadFile(dir_ + "/.20110214_09.Log"), "2011/02/14 09:05:07 TRACE no stem\r\n");
}

TEST_F(LogLineTest, ConsoleGetsTheLineWithLfAndNoFileIsWritten) {
  testing::internal::CaptureStdout();
  liblog::PrintEx(LOG_CONSOLE | LOG_TIME | LOG_ERROR, "to the screen %d", 7);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "2011/02/14 09:05:07 ERROR to the screen 7\n");
  EXPECT_TRUE(logtest::ListDir(dir_).empty());
}

TEST_F(LogLineTest, ConsoleLineToAPipeWithoutReaderDoesNotKillTheProcess) {
  fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    int fds[2];
    if (pipe(fds) != 0) _exit(3);
    close(fds[0]);  // nobody will ever read
    dup2(fds[1], STDOUT_FILENO);
    liblog::PrintEx(LOG_CONSOLE | LOG_FILE | LOG_TIME | LOG_ERROR, "to a closed pipe");
    liblog::PrintEx(LOG_FILE | LOG_TIME | LOG_ERROR, "still alive");
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(File("20110214_09.Log"), "2011/02/14 09:05:07 ERROR to a closed pipe\r\n"
                                     "2011/02/14 09:05:07 ERROR still alive\r\n");
}

}  // namespace
