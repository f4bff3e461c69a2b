#include "reg_show.h"

#include <cstdio>

#include "codepage.h"

namespace {

std::string Hex(const std::string& data) {
  std::string out;
  char buf[3];
  for (unsigned char c : data) {
    std::snprintf(buf, sizeof buf, "%02X", c);
    out += buf;
  }
  return out;
}

unsigned long long LittleEndian(const std::string& data) {
  unsigned long long n = 0;
  for (size_t i = data.size(); i-- > 0;) n = (n << 8) | static_cast<unsigned char>(data[i]);
  return n;
}

}  // namespace

std::string RegTypeName(unsigned long type) {
  switch (type) {
    case platform::kRegNone: return "REG_NONE";
    case platform::kRegSz: return "REG_SZ";
    case platform::kRegExpandSz: return "REG_EXPAND_SZ";
    case platform::kRegBinary: return "REG_BINARY";
    case platform::kRegDword: return "REG_DWORD";
    case 5: return "REG_DWORD_BIG_ENDIAN";
    case 6: return "REG_LINK";
    case platform::kRegMultiSz: return "REG_MULTI_SZ";
    case 8: return "REG_RESOURCE_LIST";
    case 9: return "REG_FULL_RESOURCE_DESCRIPTOR";
    case 10: return "REG_RESOURCE_REQUIREMENTS_LIST";
    case platform::kRegQword: return "REG_QWORD";
    default: {
      char buf[32];
      std::snprintf(buf, sizeof buf, "0x%lx", type);
      return buf;
    }
  }
}

std::string RegShowData(const platform::RegValue& value) {
  const std::string& data = value.data;
  char buf[32];
  switch (value.type) {
    case platform::kRegSz:
    case platform::kRegExpandSz: {
      std::string utf8;
      if (platform::Cp949ToUtf8(data.substr(0, data.find('\0')), &utf8)) return utf8;
      break;
    }
    case platform::kRegMultiSz: {
      std::string joined;
      size_t start = 0;
      bool ok = true;
      while (start < data.size() && data[start] != '\0') {
        size_t end = data.find('\0', start);
        if (end == std::string::npos) end = data.size();
        std::string utf8;
        ok = ok && platform::Cp949ToUtf8(data.substr(start, end - start), &utf8);
        joined += (start == 0 ? "" : "\\0") + utf8;
        start = end + 1;
      }
      if (ok) return joined;
      break;
    }
    case platform::kRegDword:
      if (data.size() != 4) break;
      std::snprintf(buf, sizeof buf, "0x%llx", LittleEndian(data));
      return buf;
    case platform::kRegQword:
      if (data.size() != 8) break;
      std::snprintf(buf, sizeof buf, "0x%llx", LittleEndian(data));
      return buf;
    default:
      break;
  }
  return Hex(data);
}

std::string RegShowName(const std::string& cp949_name) {
  return cp949_name.empty() ? "(Default)" : RegToTerminal(cp949_name);
}

std::string RegToTerminal(const std::string& cp949) {
  std::string utf8;
  if (platform::Cp949ToUtf8(cp949, &utf8)) return utf8;
  std::string shown;
  for (unsigned char c : cp949) shown.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return shown;
}
