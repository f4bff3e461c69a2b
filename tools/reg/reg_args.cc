#include "reg_args.h"

#include <cstring>

#include "codepage.h"

namespace {

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// Only the switch names themselves count as switches: a file name such as /tmp/x.reg is an
// argument here, unlike on Windows where paths never start with '/'.
bool IsSwitch(const std::string& arg) {
  if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) return false;
  static const char* const kNames[] = {"?", "v", "ve", "va", "t", "d", "f", "s", "y"};
  std::string name = Lower(arg.substr(1));
  for (const char* known : kNames)
    if (name == known) return true;
  return false;
}

// Which switches each operation takes.
bool Allowed(const std::string& op, const std::string& name) {
  if (op == "add") return name == "v" || name == "ve" || name == "t" || name == "d" || name == "f";
  if (op == "query") return name == "v" || name == "ve" || name == "s";
  if (op == "delete") return name == "v" || name == "ve" || name == "va" || name == "f";
  if (op == "export") return name == "y";
  return false;
}

// Sets a switch once; a second time is a syntax error.
bool SetOnce(bool* flag) {
  if (*flag) return false;
  *flag = true;
  return true;
}

}  // namespace

bool ParseRegArgs(int argc, char** argv, RegArgs* args) {
  *args = RegArgs();
  if (argc < 2) return false;
  args->operation = Lower(argv[1]);
  if (args->operation == "/?" || args->operation == "-?") {
    args->help = true;
    return true;
  }
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    if (!IsSwitch(arg)) {
      args->positional.push_back(arg);
      continue;
    }
    std::string name = Lower(arg.substr(1));
    if (name == "?") {
      args->help = true;
      continue;
    }
    if (!Allowed(args->operation, name)) return false;
    bool takes_argument = name == "v" || name == "t" || name == "d";
    if (takes_argument && i + 1 >= argc) return false;
    bool ok = true;
    if (name == "v") {
      ok = SetOnce(&args->has_value_name);
      args->value_name = argv[++i];
    } else if (name == "t") {
      ok = SetOnce(&args->has_type);
      args->type = argv[++i];
    } else if (name == "d") {
      ok = SetOnce(&args->has_data);
      args->data = argv[++i];
    } else if (name == "ve") {
      ok = SetOnce(&args->default_value);
    } else if (name == "va") {
      ok = SetOnce(&args->all_values);
    } else if (name == "f") {
      ok = SetOnce(&args->force);
    } else if (name == "s") {
      ok = SetOnce(&args->recurse);
    } else if (name == "y") {
      ok = SetOnce(&args->overwrite_file);
    }
    if (!ok) return false;
  }
  // One way of naming the value at most.
  int namings = args->has_value_name + args->default_value + args->all_values;
  return namings <= 1;
}

KeyArgResult ParseKeyArg(const std::string& utf8, RegKeyArg* key) {
  *key = RegKeyArg();
  size_t slash = utf8.find('\\');
  std::string root = Lower(utf8.substr(0, slash));
  if (root == "hkcu" || root == "hkey_current_user") key->root = HKEY_CURRENT_USER;
  else if (root == "hklm" || root == "hkey_local_machine") key->root = HKEY_LOCAL_MACHINE;
  else if (root == "hkcr" || root == "hkey_classes_root") key->root = HKEY_CLASSES_ROOT;
  else return KeyArgResult::kBadRoot;  // remote \\machine names included
  if (slash == std::string::npos) return KeyArgResult::kOk;
  if (!platform::Utf8ToCp949(utf8.substr(slash + 1), &key->sub_key))
    return KeyArgResult::kNotCp949;
  return KeyArgResult::kOk;
}
