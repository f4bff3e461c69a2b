// The command line of `reg`: the operation, its positional arguments and its switches, and
// the KEY argument turned into a root and a CP949 sub-key.
#pragma once

#include <string>
#include <vector>

#include "registry.h"

struct RegArgs {
  std::string operation;                // lower case: add, query, delete, export, import
  std::vector<std::string> positional;  // KEY, FILE
  bool help = false;                    // /?
  bool has_value_name = false;          // /v NAME
  std::string value_name;
  bool default_value = false;           // /ve
  bool all_values = false;              // /va
  bool has_type = false;                // /t TYPE
  std::string type;
  bool has_data = false;                // /d DATA
  std::string data;
  bool force = false;                   // /f
  bool recurse = false;                 // /s
  bool overwrite_file = false;          // /y
};

// Reads argv[1..]; false on a switch the operation does not take, a repeated switch, or a
// switch missing its argument. Switches start with '/' or '-' and ignore case; anything else
// that starts so (a file path) is a positional argument.
bool ParseRegArgs(int argc, char** argv, RegArgs* args);

struct RegKeyArg {
  HKEY root = nullptr;
  std::string sub_key;  // CP949, "" for the root itself
};

enum class KeyArgResult { kOk, kBadRoot, kNotCp949 };
// Accepts HKCU, HKLM, HKCR and the long names in any case, then an optional `\SubKey`.
KeyArgResult ParseKeyArg(const std::string& utf8, RegKeyArg* key);
