// How `reg query` shows a value: the type's name and the data as text for a UTF-8 terminal.
#pragma once

#include <string>

#include "registry.h"

std::string RegTypeName(unsigned long type);
// Strings are cut at their first NUL and converted from CP949; multi-strings are joined
// with a literal "\0"; DWORD and QWORD values are shown as 0x hex; anything else, or text
// with no UTF-8 form, as hex digits.
std::string RegShowData(const platform::RegValue& value);
// "(Default)" for the default value, else the name in UTF-8.
std::string RegShowName(const std::string& cp949_name);
// CP949 text for the terminal; bytes with no UTF-8 form become '?' rather than garbage.
std::string RegToTerminal(const std::string& cp949);
