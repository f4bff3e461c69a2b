#include "codepage.h"

#include <errno.h>
#include <iconv.h>

namespace platform {
namespace {

// Runs one whole conversion; iconv descriptors are cheap enough to open per call here, and
// that keeps the routines free of shared state.
bool Convert(const char* to, const char* from, const char* in, size_t in_len, std::string* out) {
  out->clear();
  if (in_len == 0) return true;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string result(in_len * 4 + 16, '\0');
  char* src = const_cast<char*>(in);
  size_t src_left = in_len;
  char* dst = result.data();
  size_t dst_left = result.size();
  bool ok = true;
  while (src_left > 0) {
    if (iconv(cd, &src, &src_left, &dst, &dst_left) != static_cast<size_t>(-1)) continue;
    if (errno != E2BIG) {
      ok = false;
      break;
    }
    size_t used = result.size() - dst_left;
    result.resize(result.size() * 2);
    dst = result.data() + used;
    dst_left = result.size() - used;
  }
  iconv_close(cd);
  if (!ok) return false;
  result.resize(result.size() - dst_left);
  *out = std::move(result);
  return true;
}

}  // namespace

bool IsAscii(std::string_view text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

bool Cp949ToUtf8(std::string_view cp949, std::string* out) {
  if (IsAscii(cp949)) {
    out->assign(cp949);
    return true;
  }
  return Convert("UTF-8", "CP949", cp949.data(), cp949.size(), out);
}

bool Utf8ToCp949(std::string_view utf8, std::string* out) {
  if (IsAscii(utf8)) {
    out->assign(utf8);
    return true;
  }
  return Convert("CP949", "UTF-8", utf8.data(), utf8.size(), out);
}

bool Cp949ToUtf16(std::string_view cp949, std::u16string* out) {
  std::string bytes;
  out->clear();
  if (!Convert("UTF-16LE", "CP949", cp949.data(), cp949.size(), &bytes)) return false;
  out->resize(bytes.size() / 2);
  for (size_t i = 0; i < out->size(); ++i)
    (*out)[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                      (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  return true;
}

bool Utf16ToCp949(std::u16string_view utf16, std::string* out) {
  std::string bytes(utf16.size() * 2, '\0');
  for (size_t i = 0; i < utf16.size(); ++i) {
    bytes[2 * i] = static_cast<char>(utf16[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(utf16[i] >> 8);
  }
  return Convert("CP949", "UTF-16LE", bytes.data(), bytes.size(), out);
}

bool Utf16LeBytesToUtf8(std::string_view bytes, std::string* out) {
  if (bytes.size() % 2 != 0) {
    out->clear();
    return false;
  }
  return Convert("UTF-8", "UTF-16LE", bytes.data(), bytes.size(), out);
}

}  // namespace platform
