// Conversion between the system's text code page (CP949, Korean) and UTF-8 / UTF-16LE.
//
// Everything the system stores, logs or sends stays CP949 bytes; these routines serve the
// boundaries that speak Unicode: the registry files, the terminal, automation text.
// Each returns false, leaving `out` empty, when the input holds a sequence that has no
// counterpart in the other encoding; nothing is guessed or replaced.
#pragma once

#include <string>
#include <string_view>

namespace platform {

bool Cp949ToUtf8(std::string_view cp949, std::string* out);
bool Utf8ToCp949(std::string_view utf8, std::string* out);
// UTF-16 text travels as little-endian byte pairs in a std::u16string.
bool Cp949ToUtf16(std::string_view cp949, std::u16string* out);
bool Utf16ToCp949(std::u16string_view utf16, std::string* out);
bool Utf16LeBytesToUtf8(std::string_view bytes, std::string* out);

// True when the text is plain ASCII, so that every conversion above is the identity.
bool IsAscii(std::string_view text);

}  // namespace platform
