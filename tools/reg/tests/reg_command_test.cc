// The `reg` command, run in-process through RunRegCommand and, for the end-to-end cases, as
// the built binary in child processes.
#include "reg_command.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "reg_test_dir.h"
#include "registry.h"

namespace {

const std::string kAgentUtf8 = "\xEC\x83\x81\xEB\x8B\xB4\xEC\x9B\x90";  // 상담원
const std::string kAgentCp949 = "\xBB\xF3\xB4\xE3\xBF\xF8";
const char kDone[] = "The operation completed successfully.\n";
const char kNotFound[] =
    "ERROR: The system was unable to find the specified registry key or value.\n";

struct Result {
  int code = -1;
  std::string out, err;
};

class RegCommandTest : public RegTestDir {
 protected:

  Result Run(const std::vector<std::string>& args, const std::string& input = "") {
    std::vector<std::string> owned{"reg"};
    owned.insert(owned.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : owned) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::ostringstream out, err;
    std::istringstream in(input);
    Result r;
    r.code = RunRegCommand(static_cast<int>(owned.size()), argv.data(), out, err, in);
    r.out = out.str();
    r.err = err.str();
    return r;
  }

  // The stored bytes of a value, or "<missing>".
  std::string Stored(HKEY root, const std::string& sub, const std::string& name) {
    HKEY key = nullptr;
    if (platform::RegOpenKey(root, sub.c_str(), &key) != 0) return "<missing>";
    char buf[512];
    unsigned long size = sizeof buf;
    long rc = platform::RegQueryValue(key, name.c_str(), nullptr, buf, &size);
    platform::RegCloseKey(key);
    return rc == 0 ? std::string(buf, size) : "<missing>";
  }

};

TEST_F(RegCommandTest, KoreanTextRoundTripsAndTheFileHoldsUtf8) {
  Result add = Run({"add", "HKCU\\SOFTWARE\\VX260\\MANAGER", "/v", "AgentName", "/d", kAgentUtf8});
  EXPECT_EQ(add.code, 0) << add.err;
  EXPECT_EQ(add.out, kDone);
  EXPECT_EQ(Stored(HKEY_CURRENT_USER, "SOFTWARE\\VX260\\MANAGER", "AgentName"), kAgentCp949 + '\0');
  Result query = Run({"query", "hkey_current_user\\software\\vx260\\manager", "/v", "agentname"});
  EXPECT_EQ(query.code, 0) << query.err;
  EXPECT_EQ(query.out, "\nHKEY_CURRENT_USER\\SOFTWARE\\VX260\\MANAGER\n"
                       "    AgentName    REG_SZ    " + kAgentUtf8 + "\n");
  EXPECT_NE(ReadFile("HKEY_CURRENT_USER.reg").find("\"AgentName\"=\"" + kAgentUtf8 + "\""),
            std::string::npos);
}

TEST_F(RegCommandTest, QueryPrintsValuesThenSubKeys) {
  ASSERT_EQ(Run({"add", "HKLM\\SoftWare\\KavlonClient", "/ve", "/d", "main"}).code, 0);
  ASSERT_EQ(Run({"add", "HKLM\\SoftWare\\KavlonClient", "/v", "MSI_ID", "/d", "M-7"}).code, 0);
  ASSERT_EQ(Run({"add", "HKLM\\SoftWare\\KavlonClient", "/v", "Port", "/t", "REG_DWORD", "/d", "5060"}).code, 0);
  ASSERT_EQ(Run({"add", "HKLM\\SoftWare\\KavlonClient\\Lines\\One", "/v", "Port", "/t", "reg_dword", "/d", "0x10"}).code, 0);
  ASSERT_EQ(Run({"add", "HKLM\\SoftWare\\KavlonClient\\Empty"}).code, 0);

  Result plain = Run({"query", "HKLM\\SoftWare\\KavlonClient"});
  EXPECT_EQ(plain.code, 0);
  EXPECT_EQ(plain.out,
            "\nHKEY_LOCAL_MACHINE\\SoftWare\\KavlonClient\n"
            "    (Default)    REG_SZ    main\n"
            "    MSI_ID    REG_SZ    M-7\n"
            "    Port    REG_DWORD    0x13c4\n"
            "\n"
            "HKEY_LOCAL_MACHINE\\SoftWare\\KavlonClient\\Lines\n"
            "HKEY_LOCAL_MACHINE\\SoftWare\\KavlonClient\\Empty\n");

  Result deep = Run({"query", "HKLM\\SoftWare\\KavlonClient\\Lines", "/s"});
  EXPECT_EQ(deep.out,
            "\nHKEY_LOCAL_MACHINE\\SoftWare\\KavlonClient\\Lines\n"
            "\nHKEY_LOCAL_MACHINE\\SoftWare\\KavlonClient\\Lines\\One\n"
            "    Port    REG_DWORD    0x10\n");

  Result search = Run({"query", "HKLM\\SoftWare", "/v", "port", "/s"});
  EXPECT_EQ(search.code, 0);
  EXPECT_EQ(search.out,
            "\nHKEY_LOCAL_MACHINE\\SoftWare\\KavlonClient\n"
            "    Port    REG_DWORD    0x13c4\n"
            "\nHKEY_LOCAL_MACHINE\\SoftWare\\KavlonClient\\Lines\\One\n"
            "    Port    REG_DWORD    0x10\n"
            "\nEnd of search: 2 match(es) found.\n");

  Result dflt = Run({"query", "HKLM\\SoftWare\\KavlonClient", "/ve"});
  EXPECT_EQ(dflt.out, "\nHKEY_LOCAL_MACHINE\\SoftWare\\KavlonClient\n    (Default)    REG_SZ    main\n");
}

TEST_F(RegCommandTest, MissingKeysAndValuesAreReported) {
  ASSERT_EQ(Run({"add", "HKCU\\K", "/v", "A", "/d", "1"}).code, 0);
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"query", "HKCU\\Nope"},
           {"query", "HKCU\\K", "/v", "B"},
           {"query", "HKCU\\K", "/ve"},
           {"query", "HKCU", "/v", "B", "/s"},
           {"delete", "HKCU\\Nope", "/f"},
           {"delete", "HKCU\\K", "/v", "B", "/f"},
           {"export", "HKCU\\Nope", dir_ + "/x.reg"},
       }) {
    Result r = Run(args);
    EXPECT_EQ(r.code, 1) << args[0] << " " << args[1];
    EXPECT_EQ(r.err, kNotFound) << args[0] << " " << args[1];
    EXPECT_EQ(r.out, "") << args[0] << " " << args[1];
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/x.reg"));
}

TEST_F(RegCommandTest, DwordDataIsCheckedTo32Bits) {
  struct Case {
    std::string data;
    std::string stored;  // empty: refused
  } cases[] = {
      {"10", std::string("\x0a\0\0\0", 4)},
      {"0x1F", std::string("\x1f\0\0\0", 4)},
      {"4294967295", "\xff\xff\xff\xff"},
      {"0xffffffff", "\xff\xff\xff\xff"},
      {"4294967296", ""},
      {"0x100000000", ""},
      {"99999999999999999999999", ""},
      {"-1", ""},
      {"0x", ""},
      {"12abc", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    Run({"delete", "HKCU\\D", "/f"});
    Result r = Run({"add", "HKCU\\D", "/v", "N", "/t", "REG_DWORD", "/d", c.data});
    if (c.stored.empty()) {
      EXPECT_EQ(r.code, 1) << c.data;
      EXPECT_EQ(r.err.rfind("ERROR: Invalid DWORD data", 0), 0u) << c.data << ": " << r.err;
      EXPECT_EQ(Stored(HKEY_CURRENT_USER, "D", "N"), "<missing>") << c.data;
    } else {
      EXPECT_EQ(r.code, 0) << c.data << ": " << r.err;
      EXPECT_EQ(Stored(HKEY_CURRENT_USER, "D", "N"), c.stored) << c.data;
    }
  }
  EXPECT_EQ(Run({"add", "HKCU\\D", "/v", "N", "/t", "REG_MULTI_SZ", "/d", "x"}).code, 1);
}

TEST_F(RegCommandTest, OverwritingAValueAsksFirst) {
  struct Case {
    std::string answer;
    bool overwrites;
  } cases[] = {
      {"y\n", true}, {"YES\n", true}, {"yes", true}, {" y \r\n", true},
      {"n\n", false}, {"no\n", false}, {"maybe\n", false}, {"\n", false}, {"", false},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Run({"add", "HKCU\\K", "/v", "Name", "/d", "old", "/f"}).code, 0);
    Result r = Run({"add", "HKCU\\K", "/v", "name", "/d", "new"}, c.answer);
    EXPECT_EQ(r.out.rfind("Value name exists, overwrite(Yes/No)? ", 0), 0u) << r.out;
    if (c.overwrites) {
      EXPECT_EQ(r.code, 0) << c.answer;
      EXPECT_EQ(Stored(HKEY_CURRENT_USER, "K", "Name"), std::string("new\0", 4)) << c.answer;
    } else {
      EXPECT_EQ(r.code, 1) << c.answer;
      EXPECT_NE(r.out.find("The operation was cancelled.\n"), std::string::npos) << c.answer;
      EXPECT_EQ(Stored(HKEY_CURRENT_USER, "K", "Name"), std::string("old\0", 4)) << c.answer;
    }
  }
  // /f and a new value do not ask; /ve names the default value.
  EXPECT_EQ(Run({"add", "HKCU\\K", "/v", "Name", "/d", "forced", "/f"}).out, kDone);
  EXPECT_EQ(Run({"add", "HKCU\\K", "/v", "Other", "/d", "x"}).out, kDone);
  ASSERT_EQ(Run({"add", "HKCU\\K", "/ve", "/d", "d"}).code, 0);
  EXPECT_EQ(Run({"add", "HKCU\\K", "/ve", "/d", "e"}, "n\n").out,
            "Value (Default) exists, overwrite(Yes/No)? The operation was cancelled.\n");
}

TEST_F(RegCommandTest, DeleteAsksAndRemovesWhatItNames) {
  auto setup = [this] {
    Run({"add", "HKCU\\App\\Sub", "/v", "Inner", "/d", "i", "/f"});
    Run({"add", "HKCU\\App", "/v", "A", "/d", "a", "/f"});
    Run({"add", "HKCU\\App", "/v", "B", "/d", "b", "/f"});
  };
  setup();
  Result no = Run({"delete", "HKCU\\App"}, "n\n");
  EXPECT_EQ(no.out, "Permanently delete the registry key HKCU\\App (Yes/No)? The operation was cancelled.\n");
  EXPECT_EQ(Stored(HKEY_CURRENT_USER, "App", "A"), std::string("a\0", 2));

  Result value = Run({"delete", "HKCU\\App", "/v", "a"}, "y\n");
  EXPECT_EQ(value.out, std::string("Permanently delete the registry value a (Yes/No)? ") + kDone);
  EXPECT_EQ(Stored(HKEY_CURRENT_USER, "App", "A"), "<missing>");
  EXPECT_EQ(Stored(HKEY_CURRENT_USER, "App", "B"), std::string("b\0", 2));

  setup();
  EXPECT_EQ(Run({"delete", "HKCU\\App", "/va", "/f"}).out, kDone);
  EXPECT_EQ(Stored(HKEY_CURRENT_USER, "App", "A"), "<missing>");
  EXPECT_EQ(Stored(HKEY_CURRENT_USER, "App", "B"), "<missing>");
  EXPECT_EQ(Stored(HKEY_CURRENT_USER, "App\\Sub", "Inner"), std::string("i\0", 2));

  Result key = Run({"delete", "HKCU\\App"}, "yes\n");
  EXPECT_EQ(key.code, 0);
  EXPECT_EQ(Stored(HKEY_CURRENT_USER, "App\\Sub", "Inner"), "<missing>");

  Result root = Run({"delete", "HKCU", "/f"});
  EXPECT_EQ(root.code, 1);
  EXPECT_EQ(root.err, "ERROR: A root key cannot be deleted.\n");
}

TEST_F(RegCommandTest, BadSyntaxIsRefusedWithAUsageHint) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {},
           {"bogus"},
           {"add"},
           {"add", "HKCU\\K", "/v"},
           {"add", "HKCU\\K", "/v", "a", "/ve"},
           {"add", "HKCU\\K", "/f", "/f"},
           {"add", "HKCU\\K", "/va"},
           {"add", "HKCU\\K", "extra"},
           {"add", "HKCU\\K", "/x"},
           {"query", "HKCU\\K", "/f"},
           {"delete", "HKCU\\K", "/v", "a", "/va"},
           {"export", "HKCU\\K"},
           {"export", "HKCU\\K", "a.reg", "/f"},
           {"import"},
           {"import", "a.reg", "b.reg"},
       }) {
    std::string shown = args.empty() ? "(none)" : args[0] + (args.size() > 1 ? " ..." + args.back() : "");
    Result r = Run(args);
    EXPECT_EQ(r.code, 1) << shown;
    EXPECT_EQ(r.err.rfind("ERROR: Invalid syntax.\nType \"REG ", 0), 0u) << shown << ": " << r.err;
    EXPECT_EQ(r.out, "") << shown;
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/HKEY_CURRENT_USER.reg"));
  EXPECT_EQ(Run({"add", "HKCU\\K", "/v"}).err, "ERROR: Invalid syntax.\nType \"REG ADD /?\" for usage.\n");
}

TEST_F(RegCommandTest, BadKeyNamesAreRefused) {
  for (const std::string& key : std::vector<std::string>{"HKXX\\A", "\\\\machine\\HKLM\\A", "HKCU\\\\A", "HKCU\\A\\\\",
                                  "HKCU\\" + std::string(256, 'k')}) {
    Result r = Run({"add", key});
    EXPECT_EQ(r.code, 1) << key;
    EXPECT_EQ(r.err.rfind("ERROR: Invalid key", 0), 0u) << key << ": " << r.err;
  }
  // An emoji has no CP949 form.
  Result r = Run({"add", "HKCU\\K", "/v", "\xF0\x9F\x98\x80", "/d", "x"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "ERROR: The value name cannot be written in the CP949 code page.\n");
  EXPECT_EQ(Run({"add", "HKCU\\K", "/v", "V", "/d", "\xF0\x9F\x98\x80"}).code, 1);
  EXPECT_EQ(Stored(HKEY_CURRENT_USER, "K", "V"), "<missing>");
}

TEST_F(RegCommandTest, HelpIsPrintedForTheCommandAndEachOperation) {
  Result all = Run({"/?"});
  EXPECT_EQ(all.code, 0);
  EXPECT_NE(all.out.find("REG Operation [Parameter List]"), std::string::npos);
  for (const std::string op : {"add", "QUERY", "delete", "export", "import"}) {
    Result r = Run({op, "/?"});
    EXPECT_EQ(r.code, 0) << op;
    std::string upper = op;
    for (char& c : upper) c = static_cast<char>(toupper(c));
    EXPECT_EQ(r.out.rfind("REG " + upper + " ", 0), 0u) << r.out;
  }
}

TEST_F(RegCommandTest, ExportAndImportThroughTheCommand) {
  ASSERT_EQ(Run({"add", "HKCU\\SOFTWARE\\VX260\\MANAGER", "/v", "Name", "/d", kAgentUtf8}).code, 0);
  std::string file = PathOf("manager.reg");
  EXPECT_EQ(Run({"export", "HKCU\\SOFTWARE\\VX260", file}).out, kDone);
  std::string exported = ReadFile("manager.reg");
  EXPECT_EQ(exported.rfind("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\SOFTWARE\\VX260]\n", 0), 0u);

  // An existing file is only replaced on /y or a yes.
  Result asked = Run({"export", "HKCU\\SOFTWARE", file}, "n\n");
  EXPECT_EQ(asked.code, 1);
  EXPECT_EQ(asked.out, "File " + file + " already exists. Overwrite (Yes/No)? The operation was cancelled.\n");
  EXPECT_EQ(ReadFile("manager.reg"), exported);
  EXPECT_EQ(Run({"export", "HKCU\\SOFTWARE", file, "/y"}).code, 0);
  EXPECT_NE(ReadFile("manager.reg"), exported);

  ASSERT_EQ(Run({"delete", "HKCU\\SOFTWARE", "/f"}).code, 0);
  std::ofstream(file, std::ios::app) << "junk line\n\"Bad\"=dword:xyz\n";
  Result imported = Run({"import", file});
  EXPECT_EQ(imported.code, 0);
  EXPECT_EQ(imported.out, kDone);
  // One warning per skipped line, naming the file and the line.
  std::istringstream warnings(imported.err);
  std::vector<std::string> lines;
  for (std::string line; std::getline(warnings, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 2u) << imported.err;
  EXPECT_EQ(lines[0].rfind("WARNING: " + file + ": line ", 0), 0u) << lines[0];
  EXPECT_NE(lines[0].find("junk line"), std::string::npos);
  EXPECT_EQ(Stored(HKEY_CURRENT_USER, "SOFTWARE\\VX260\\MANAGER", "Name"), kAgentCp949 + '\0');

  Result missing = Run({"import", dir_ + "/nope.reg"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_EQ(missing.err, "ERROR: The file " + dir_ + "/nope.reg does not exist.\n");
}

// --- the built binary -------------------------------------------------------------------------

// Runs the `reg` binary with `args`, feeding `input`; waits for it when `wait` is set.
pid_t Spawn(const std::string& dir, int index, const std::vector<std::string>& args,
            const std::string& input) {
  std::string base = dir + "/proc" + std::to_string(index);
  std::ofstream(base + ".in") << input;
  pid_t pid = fork();
  if (pid != 0) return pid;
  int in = open((base + ".in").c_str(), O_RDONLY);
  int out = open((base + ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  int err = open((base + ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (in < 0 || out < 0 || err < 0) _exit(127);
  dup2(in, 0);
  dup2(out, 1);
  dup2(err, 2);
  std::vector<std::string> owned{REG_BINARY};
  owned.insert(owned.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : owned) argv.push_back(a.data());
  argv.push_back(nullptr);
  execv(REG_BINARY, argv.data());
  _exit(127);
}

int Wait(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST_F(RegCommandTest, TheBinaryRoundTripsKoreanAndAsksOnItsStdin) {
  ASSERT_EQ(Wait(Spawn(dir_, 0, {"add", "HKCU\\SOFTWARE\\VX260\\MANAGER", "/v", "Agent", "/d", kAgentUtf8}, "")), 0);
  EXPECT_EQ(ReadFile("proc0.out"), kDone);
  ASSERT_EQ(Wait(Spawn(dir_, 1, {"query", "HKCU\\SOFTWARE\\VX260\\MANAGER"}, "")), 0);
  EXPECT_EQ(ReadFile("proc1.out"),
            "\nHKEY_CURRENT_USER\\SOFTWARE\\VX260\\MANAGER\n    Agent    REG_SZ    " + kAgentUtf8 + "\n");
  EXPECT_EQ(Wait(Spawn(dir_, 2, {"add", "HKCU\\SOFTWARE\\VX260\\MANAGER", "/v", "Agent", "/d", "x"}, "")), 1);
  EXPECT_EQ(ReadFile("proc2.out"),
            "Value Agent exists, overwrite(Yes/No)? \nThe operation was cancelled.\n");
  EXPECT_EQ(Wait(Spawn(dir_, 3, {"query", "HKCU\\Missing"}, "")), 1);
  EXPECT_EQ(ReadFile("proc3.err"), kNotFound);
}

TEST_F(RegCommandTest, ManyBinariesWritingAtOnceLoseNoValue) {
  constexpr int kProcesses = 8;
  std::vector<pid_t> pids;
  for (int i = 0; i < kProcesses; ++i)
    pids.push_back(Spawn(dir_, i, {"add", "HKCU\\SOFTWARE\\VX260\\Shared", "/v", "v" + std::to_string(i),
                                   "/t", "REG_DWORD", "/d", std::to_string(i)}, ""));
  for (pid_t pid : pids) EXPECT_EQ(Wait(pid), 0);
  for (int i = 0; i < kProcesses; ++i)
    EXPECT_EQ(Stored(HKEY_CURRENT_USER, "SOFTWARE\\VX260\\Shared", "v" + std::to_string(i)),
              std::string({static_cast<char>(i), 0, 0, 0}))
        << i;
}

}  // namespace
