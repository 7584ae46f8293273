#pragma once

#include <string>

// Query-value encoding shared by every request the program builds: ASCII letters, digits and
// "-_.~" stay, a blank becomes "+", every other byte (UTF-8 included) becomes "%XX" with
// upper-case hexadecimal digits.
std::string UrlEncode(const std::string& text);
