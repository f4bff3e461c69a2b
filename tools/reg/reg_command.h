// The `reg` command: an administrator's view of the registry store, used the way the
// Windows command of that name is used (add, query, delete, export, import).
//
// The terminal speaks UTF-8 and the store CP949; this unit converts in both directions.
// Results go to `out`, errors and import warnings to `err`, and confirmations are read from
// `in`. Returns the process exit code: 0 on success, 1 otherwise.
#pragma once

#include <iosfwd>

int RunRegCommand(int argc, char** argv, std::ostream& out, std::ostream& err, std::istream& in);
