// Byte-order conversion of 8-byte values: the RPC wire carries them big-endian.
#include <arpa/inet.h>

#include <cstdint>
#include <cstring>

#include "libutil.h"

namespace {

bool BigEndianMachine() { return htons(1) == 1; }

std::uint64_t Swap(std::uint64_t v) { return BigEndianMachine() ? v : __builtin_bswap64(v); }

}  // namespace

double libutil_ntohd(double d) {
  std::uint64_t bits;
  memcpy(&bits, &d, sizeof bits);
  bits = Swap(bits);
  memcpy(&d, &bits, sizeof d);
  return d;
}

double libutil_htond(double d) { return libutil_ntohd(d); }

long long libutil_ntohll(long long n) {
  return static_cast<long long>(Swap(static_cast<std::uint64_t>(n)));
}

long long libutil_htonll(long long n) { return libutil_ntohll(n); }
