// What the utility classes share for their ERROR lines and their 256-byte name fields.
#pragma once

#include <cstring>

#include "liblog.h"

// The global flags at the moment of the call, plus the outputs and level of a failure line.
inline unsigned int libutil_errorflags() {
  return liblog::GetLogFlags() | LOG_ERROR | LOG_FILE | LOG_CONSOLE | LOG_NO_CLEANUP;
}

// Copies a name into a 256-byte field, cutting it at 255 characters; null gives "".
inline void libutil_copyname(char (&field)[256], const char* name) {
  size_t n = name != nullptr ? strnlen(name, sizeof field - 1) : 0;
  if (n > 0) memcpy(field, name, n);
  field[n] = '\0';
}
