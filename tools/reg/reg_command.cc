#include "reg_command.h"

#include <sys/stat.h>

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "codepage.h"
#include "reg_args.h"
#include "reg_names.h"
#include "reg_show.h"
#include "registry.h"

namespace {

using platform::RegValue;

constexpr int kSuccess = 0;
constexpr int kFailure = 1;

const char kDone[] = "The operation completed successfully.\n";
const char kCancelled[] = "The operation was cancelled.\n";
const char kNotFound[] = "ERROR: The system was unable to find the specified registry key or value.\n";

const char kMainUsage[] =
    "REG Operation [Parameter List]\n"
    "\n"
    "  Operation  [ QUERY | ADD | DELETE | EXPORT | IMPORT ]\n"
    "\n"
    "Return code: 0 - successful, 1 - failed\n"
    "\n"
    "For help on one operation:\n"
    "  REG Operation /?\n"
    "\n"
    "Keys are written ROOTKEY\\SubKey, ROOTKEY being HKCU, HKLM or HKCR (or\n"
    "HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT).\n";

const char kAddUsage[] =
    "REG ADD KeyName [/v ValueName | /ve] [/t Type] [/d Data] [/f]\n"
    "\n"
    "  /v   name of the value to add\n"
    "  /ve  the default value (no name)\n"
    "  /t   REG_SZ (the default) or REG_DWORD\n"
    "  /d   the data; a REG_DWORD in decimal or 0x hex, up to 0xffffffff\n"
    "  /f   overwrite an existing value without asking\n"
    "\n"
    "Without /v, /ve, /t or /d only the key is created.\n"
    "Example: REG ADD HKCU\\SOFTWARE\\VX260\\MANAGER /v AGENT_ID /d 1001\n";

const char kQueryUsage[] =
    "REG QUERY KeyName [/v ValueName | /ve] [/s]\n"
    "\n"
    "  /v   show only this value\n"
    "  /ve  show only the default value\n"
    "  /s   include every sub-key below KeyName\n"
    "\n"
    "Example: REG QUERY HKCU\\SOFTWARE\\VX260 /s\n";

const char kDeleteUsage[] =
    "REG DELETE KeyName [/v ValueName | /ve | /va] [/f]\n"
    "\n"
    "  /v   delete this value\n"
    "  /ve  delete the default value\n"
    "  /va  delete every value of the key, keeping its sub-keys\n"
    "  /f   delete without asking\n"
    "\n"
    "Without /v, /ve or /va the key is deleted with everything below it.\n";

const char kExportUsage[] =
    "REG EXPORT KeyName FileName [/y]\n"
    "\n"
    "  Writes the key and its sub-keys to FileName in the .reg format.\n"
    "  /y   overwrite FileName without asking\n";

const char kImportUsage[] =
    "REG IMPORT FileName\n"
    "\n"
    "  Merges a .reg file (UTF-8, or UTF-16 with its byte-order mark) into the registry.\n"
    "  Lines that cannot be understood are skipped, each with a warning.\n";

struct Io {
  std::ostream& out;
  std::ostream& err;
  std::istream& in;
};

const char* UsageOf(const std::string& op) {
  if (op == "add") return kAddUsage;
  if (op == "query") return kQueryUsage;
  if (op == "delete") return kDeleteUsage;
  if (op == "export") return kExportUsage;
  if (op == "import") return kImportUsage;
  return nullptr;
}

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

int SyntaxError(const Io& io, const std::string& op) {
  io.err << "ERROR: Invalid syntax.\n";
  if (UsageOf(op) != nullptr)
    io.err << "Type \"REG " << Upper(op) << " /?\" for usage.\n";
  else
    io.err << "Type \"REG /?\" for usage.\n";
  return kFailure;
}

int Fail(const Io& io, const std::string& message) {
  io.err << "ERROR: " << message << "\n";
  return kFailure;
}

// The message for a store result other than success.
int StoreError(const Io& io, long rc) {
  switch (rc) {
    case platform::kRegNotFound:
    case platform::kRegKeyDeleted:
      io.err << kNotFound;
      return kFailure;
    case platform::kRegBadPathname:
      return Fail(io, "Invalid key name.");
    case platform::kRegInvalidParameter:
      return Fail(io, "Invalid key or value name.");
    case platform::kRegAccessDenied:
      return Fail(io, "Access is denied: the registry files in " + platform::RegistryDirectory() +
                          " cannot be read or written.");
    default:
      return Fail(io, "The registry call failed with code " + std::to_string(rc) + ".");
  }
}

// Asks on the terminal; only "y" or "yes" goes ahead, and end of input does not.
bool Confirm(const Io& io, const std::string& question) {
  io.out << question << std::flush;
  std::string answer;
  if (!std::getline(io.in, answer)) {
    io.out << "\n";
    return false;
  }
  while (!answer.empty() && (answer.back() == '\r' || answer.back() == ' ')) answer.pop_back();
  while (!answer.empty() && answer.front() == ' ') answer.erase(0, 1);
  for (char& c : answer)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return answer == "y" || answer == "yes";
}

int Cancelled(const Io& io) {
  io.out << kCancelled;
  return kFailure;
}

bool ToCp949(const std::string& utf8, std::string* cp949) {
  return platform::Utf8ToCp949(utf8, cp949);
}

// Closes the handle on every way out.
class OpenKey {
 public:
  OpenKey() = default;
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  ~OpenKey() {
    if (key_ != nullptr) platform::RegCloseKey(key_);
  }
  long Open(const RegKeyArg& k) { return platform::RegOpenKey(k.root, k.sub_key.c_str(), &key_); }
  long Create(const RegKeyArg& k) {
    return platform::RegCreateKey(k.root, k.sub_key.c_str(), &key_, nullptr);
  }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// Turns the KEY argument into a root and sub-key, or reports why not.
bool KeyFromArg(const Io& io, const std::string& arg, RegKeyArg* key, int* exit_code) {
  switch (ParseKeyArg(arg, key)) {
    case KeyArgResult::kOk: return true;
    case KeyArgResult::kBadRoot: *exit_code = Fail(io, "Invalid key name."); return false;
    case KeyArgResult::kNotCp949:
      *exit_code = Fail(io, "The key name cannot be written in the CP949 code page.");
      return false;
  }
  return false;
}

// The value named by /v or /ve, in CP949.
bool ValueNameFromArgs(const Io& io, const RegArgs& args, std::string* name, int* exit_code) {
  name->clear();
  if (!args.has_value_name) return true;
  if (ToCp949(args.value_name, name)) return true;
  *exit_code = Fail(io, "The value name cannot be written in the CP949 code page.");
  return false;
}

bool ParseDword(const std::string& text, std::string* bytes) {
  if (text.empty()) return false;
  bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  unsigned long long n = 0;
  for (size_t i = hex ? 2 : 0; i < text.size(); ++i) {
    char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return false;
    n = n * (hex ? 16 : 10) + static_cast<unsigned>(digit);
    if (n > 0xFFFFFFFFull) return false;
  }
  bytes->clear();
  for (int k = 0; k < 4; ++k) bytes->push_back(static_cast<char>((n >> (8 * k)) & 0xFF));
  return true;
}

// --- operations -------------------------------------------------------------------------------

int Add(const Io& io, const RegArgs& args) {
  if (args.positional.size() != 1 || args.all_values) return SyntaxError(io, "add");
  RegKeyArg k;
  int code = kFailure;
  if (!KeyFromArg(io, args.positional[0], &k, &code)) return code;
  std::string name;
  if (!ValueNameFromArgs(io, args, &name, &code)) return code;
  bool sets_value = args.has_value_name || args.default_value || args.has_type || args.has_data;

  unsigned long type = platform::kRegSz;
  std::string data;
  if (args.has_type) {
    std::string t = Upper(args.type);
    if (t == "REG_DWORD") type = platform::kRegDword;
    else if (t != "REG_SZ") return Fail(io, "Unsupported type " + args.type + "; use REG_SZ or REG_DWORD.");
  }
  if (type == platform::kRegDword) {
    if (!ParseDword(args.has_data ? args.data : "0", &data))
      return Fail(io, "Invalid DWORD data \"" + args.data +
                          "\": give a number from 0 to 4294967295, in decimal or 0x hex.");
  } else {
    if (!ToCp949(args.data, &data))
      return Fail(io, "The data cannot be written in the CP949 code page.");
    data.push_back('\0');
  }

  if (sets_value && !args.force) {
    OpenKey existing;
    if (existing.Open(k) == platform::kRegOk &&
        platform::RegQueryValue(existing.get(), name.c_str(), nullptr, nullptr, nullptr) ==
            platform::kRegOk) {
      std::string shown = name.empty() ? "(Default)" : args.value_name;
      if (!Confirm(io, "Value " + shown + " exists, overwrite(Yes/No)? ")) return Cancelled(io);
    }
  }
  OpenKey key;
  if (long rc = key.Create(k); rc != platform::kRegOk) return StoreError(io, rc);
  if (sets_value) {
    long rc = platform::RegSetValue(key.get(), name.c_str(), type, data.data(),
                                    static_cast<unsigned long>(data.size()));
    if (rc != platform::kRegOk) return StoreError(io, rc);
  }
  io.out << kDone;
  return kSuccess;
}

void ShowRow(const Io& io, const RegValue& v) {
  io.out << "    " << RegShowName(v.name) << "    " << RegTypeName(v.type) << "    "
         << RegShowData(v) << "\n";
}

std::string PathOf(HKEY key) {
  std::string path;
  platform::RegKeyPath(key, &path);
  return RegToTerminal(path);
}

// Shows `key` and, with `recurse`, every key below it. With `only` set, shows just that
// value, and only the keys that hold it. Adds the values shown to *matches.
long QueryTree(const Io& io, HKEY key, bool recurse, const std::string* only, int* matches) {
  std::vector<RegValue> values;
  if (long rc = platform::RegEnumValues(key, &values); rc != platform::kRegOk) return rc;
  std::vector<std::string> children;
  if (long rc = platform::RegEnumKeys(key, &children); rc != platform::kRegOk) return rc;
  std::vector<const RegValue*> rows;
  for (const RegValue& v : values)
    if (only == nullptr || platform::RegNamesEqual(v.name, *only)) rows.push_back(&v);
  std::string path = PathOf(key);
  if (only == nullptr || !rows.empty()) {
    io.out << "\n" << path << "\n";
    for (const RegValue* v : rows) ShowRow(io, *v);
  }
  *matches += static_cast<int>(rows.size());
  if (!recurse) {
    if (only == nullptr && !children.empty()) {
      io.out << "\n";
      for (const std::string& c : children) io.out << path << "\\" << RegToTerminal(c) << "\n";
    }
    return platform::kRegOk;
  }
  for (const std::string& c : children) {
    OpenKey child;
    long rc = child.Open(RegKeyArg{key, c});
    if (rc == platform::kRegNotFound) continue;  // deleted while we walked
    if (rc != platform::kRegOk) return rc;
    if (long sub = QueryTree(io, child.get(), true, only, matches); sub != platform::kRegOk)
      return sub;
  }
  return platform::kRegOk;
}

int Query(const Io& io, const RegArgs& args) {
  if (args.positional.size() != 1 || args.all_values) return SyntaxError(io, "query");
  RegKeyArg k;
  int code = kFailure;
  if (!KeyFromArg(io, args.positional[0], &k, &code)) return code;
  std::string name;
  if (!ValueNameFromArgs(io, args, &name, &code)) return code;
  bool one_value = args.has_value_name || args.default_value;
  OpenKey key;
  if (long rc = key.Open(k); rc != platform::kRegOk) return StoreError(io, rc);
  int matches = 0;
  long rc = QueryTree(io, key.get(), args.recurse, one_value ? &name : nullptr, &matches);
  if (rc != platform::kRegOk) return StoreError(io, rc);
  if (one_value && matches == 0) return StoreError(io, platform::kRegNotFound);
  if (one_value && args.recurse) io.out << "\nEnd of search: " << matches << " match(es) found.\n";
  return kSuccess;
}

int Delete(const Io& io, const RegArgs& args) {
  if (args.positional.size() != 1) return SyntaxError(io, "delete");
  const std::string& shown_key = args.positional[0];
  RegKeyArg k;
  int code = kFailure;
  if (!KeyFromArg(io, shown_key, &k, &code)) return code;
  std::string name;
  if (!ValueNameFromArgs(io, args, &name, &code)) return code;
  bool one_value = args.has_value_name || args.default_value;
  if (!one_value && !args.all_values && k.sub_key.empty())
    return Fail(io, "A root key cannot be deleted.");
  OpenKey key;
  if (long rc = key.Open(k); rc != platform::kRegOk) return StoreError(io, rc);

  if (one_value) {
    long rc = platform::RegQueryValue(key.get(), name.c_str(), nullptr, nullptr, nullptr);
    if (rc != platform::kRegOk) return StoreError(io, rc);
    std::string shown = name.empty() ? "(Default)" : args.value_name;
    if (!args.force && !Confirm(io, "Permanently delete the registry value " + shown + " (Yes/No)? "))
      return Cancelled(io);
    rc = platform::RegDeleteValue(key.get(), name.c_str());
    if (rc != platform::kRegOk) return StoreError(io, rc);
  } else if (args.all_values) {
    if (!args.force &&
        !Confirm(io, "Permanently delete all values under the registry key " + shown_key + " (Yes/No)? "))
      return Cancelled(io);
    std::vector<RegValue> values;
    if (long rc = platform::RegEnumValues(key.get(), &values); rc != platform::kRegOk)
      return StoreError(io, rc);
    for (const RegValue& v : values) {
      long rc = platform::RegDeleteValue(key.get(), v.name.c_str());
      if (rc != platform::kRegOk && rc != platform::kRegNotFound) return StoreError(io, rc);
    }
  } else {
    if (!args.force &&
        !Confirm(io, "Permanently delete the registry key " + shown_key + " (Yes/No)? "))
      return Cancelled(io);
    long rc = platform::RegDeleteTree(k.root, k.sub_key.c_str());
    if (rc != platform::kRegOk) return StoreError(io, rc);
  }
  io.out << kDone;
  return kSuccess;
}

int Export(const Io& io, const RegArgs& args) {
  if (args.positional.size() != 2) return SyntaxError(io, "export");
  RegKeyArg k;
  int code = kFailure;
  if (!KeyFromArg(io, args.positional[0], &k, &code)) return code;
  const std::string& file = args.positional[1];
  OpenKey key;
  if (long rc = key.Open(k); rc != platform::kRegOk) return StoreError(io, rc);
  struct stat st;
  if (!args.overwrite_file && stat(file.c_str(), &st) == 0 &&
      !Confirm(io, "File " + file + " already exists. Overwrite (Yes/No)? "))
    return Cancelled(io);
  long rc = platform::RegExportKey(key.get(), file.c_str());
  if (rc == platform::kRegAccessDenied) return Fail(io, "Cannot write the file " + file + ".");
  if (rc != platform::kRegOk) return StoreError(io, rc);
  io.out << kDone;
  return kSuccess;
}

int Import(const Io& io, const RegArgs& args) {
  if (args.positional.size() != 1) return SyntaxError(io, "import");
  const std::string& file = args.positional[0];
  int skipped = 0;
  std::vector<std::string> diagnostics;
  long rc = platform::RegImportFile(file.c_str(), &skipped, &diagnostics);
  for (const std::string& d : diagnostics) io.err << "WARNING: " << file << ": " << d << "\n";
  if (rc == platform::kRegNotFound) return Fail(io, "The file " + file + " does not exist.");
  if (rc != platform::kRegOk) return StoreError(io, rc);
  io.out << kDone;
  return kSuccess;
}

}  // namespace

int RunRegCommand(int argc, char** argv, std::ostream& out, std::ostream& err, std::istream& in) {
  Io io{out, err, in};
  RegArgs args;
  bool parsed = ParseRegArgs(argc, argv, &args);
  const char* usage = UsageOf(args.operation);
  if (args.help) {
    // `reg /?`, or `reg OP /?` for a known operation.
    if (args.operation != "/?" && args.operation != "-?" && usage == nullptr)
      return SyntaxError(io, "");
    out << (usage != nullptr ? usage : kMainUsage);
    return kSuccess;
  }
  if (!parsed || usage == nullptr) return SyntaxError(io, usage == nullptr ? "" : args.operation);
  if (args.operation == "add") return Add(io, args);
  if (args.operation == "query") return Query(io, args);
  if (args.operation == "delete") return Delete(io, args);
  if (args.operation == "export") return Export(io, args);
  return Import(io, args);
}
