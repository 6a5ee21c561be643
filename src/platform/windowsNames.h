// Names between the program (UTF-8) and the Windows API (UTF-16).
#pragma once

#include <cstddef>
#include <string>

namespace platform {

std::wstring widen(const std::string &utf8);
std::string narrow(const std::wstring &utf16);

// `name` as the wide-character API takes it: a path too long for the classic
// limit becomes absolute with the long-path prefix; any other is passed as typed.
std::wstring systemPath(const std::string &name);

}  // namespace platform
