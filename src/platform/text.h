#pragma once

#include <string>

namespace quelvin {

// A string of bytes in the ANSI code page, which for our players is GBK (code page 936).
// It never holds a terminating zero. Comparisons are bytewise and unsigned; a byte of 0x80
// or more starts a two-byte character.
//
// Every text the program shows or writes is kept in the source as its GBK bytes, written as
// byte escapes with the readable text in a comment beside them. Sources stay plain ASCII,
// and no compiler's execution character set is involved.
using Text = std::string;

// Whether b starts a two-byte GBK character.
constexpr bool isLeadByte(char b) { return static_cast<unsigned char>(b) >= 0x80; }

}  // namespace quelvin
