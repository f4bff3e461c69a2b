// Digits-only parsing, blank trimming and the field splitter.
#include <cstring>
#include <type_traits>

#include "libutil.h"

namespace {

template <typename T>
T ParseDigits(const char* text, int start, int length) {
  if (text == nullptr || start < 0 || length <= 0) return T{0};
  // Stop at the terminator: a slice longer than the text must not read past it.
  if (strnlen(text, static_cast<size_t>(start)) < static_cast<size_t>(start)) return T{0};
  using Acc = std::conditional_t<std::is_integral_v<T>, unsigned int, double>;
  Acc value = 0;
  for (const char* p = text + start; p < text + start + length && *p != '\0'; ++p) {
    if (*p >= '0' && *p <= '9') value = value * 10 + static_cast<Acc>(*p - '0');
  }
  return static_cast<T>(value);
}

}  // namespace

int libutil_atoi(const char* lpText, int nStart, int nLength) {
  return ParseDigits<int>(lpText, nStart, nLength);
}

double libutil_atof(const char* lpText, int nStart, int nLength) {
  return ParseDigits<double>(lpText, nStart, nLength);
}

double libutil_atof(const char* lpText) {
  if (lpText == nullptr) return 0.0;
  size_t n = strlen(lpText);
  return ParseDigits<double>(lpText, 0, n > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(n));
}

char* libutil_rtrim(char* lpText) {
  if (lpText == nullptr) return lpText;
  size_t n = strlen(lpText);
  while (n > 0 && lpText[n - 1] == ' ') --n;
  lpText[n] = '\0';
  return lpText;
}

char* libutil_trim(char* lpText) {
  if (lpText == nullptr || *lpText == '\0') return lpText;
  size_t lead = strspn(lpText, " ");
  if (lead > 0) memmove(lpText, lpText + lead, strlen(lpText + lead) + 1);
  return libutil_rtrim(lpText);
}

char* libutil_strtok(char* lpText, const char* lpDelimiters, char** ppCursor) {
  if (ppCursor == nullptr || lpDelimiters == nullptr) return nullptr;
  if (lpText != nullptr) *ppCursor = lpText;
  char* field = *ppCursor;
  if (field == nullptr) return nullptr;

  char* cursor = field;
  while (*cursor != '\0') {
    char c = *cursor++;
    if (strchr(lpDelimiters, c) != nullptr) {
      cursor[-1] = '\0';
      break;
    }
  }
  *ppCursor = cursor;
  if (*field != '\0') return field;
  return *cursor != '\0' ? field : nullptr;  // an empty field counts unless it is the last
}
