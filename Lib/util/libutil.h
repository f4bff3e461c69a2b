// Small routines shared by the session logic and the RPC library: digits-only number parsing,
// in-place trimming of blanks, a field splitter that keeps empty fields, and byte-order swaps
// of 8-byte values for the wire. None of them allocates or writes log lines.
#pragma once

// Value of the decimal digits among `nLength` characters from `nStart`; every other character
// is skipped ("12:05" gives 1205, "-7" gives 7). The slice ends early at the text's NUL. The
// integer form wraps on overflow.
int libutil_atoi(const char* lpText, int nStart, int nLength);
double libutil_atof(const char* lpText, int nStart, int nLength);
double libutil_atof(const char* lpText);

// Remove blanks (0x20 only) in place and return the text.
char* libutil_trim(char* lpText);
char* libutil_rtrim(char* lpText);

// Splits `lpText` in place at any of `lpDelimiters`, keeping empty fields: "a,,b" gives "a",
// "", "b", then nullptr. Pass the text on the first call and nullptr after; the position lives
// in *ppCursor, so several splits can run at once.
char* libutil_strtok(char* lpText, const char* lpDelimiters, char** ppCursor);

// Reverse the byte order on a little-endian machine; identity on a big-endian one. Each pair
// does the same in both directions.
double libutil_ntohd(double d);
double libutil_htond(double d);
long long libutil_ntohll(long long n);
long long libutil_htonll(long long n);
