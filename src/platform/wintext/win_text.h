#pragma once

// The core speaks UTF-8; Windows speaks UTF-16.

#include <string>
#include <string_view>

namespace tessaly {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace tessaly
