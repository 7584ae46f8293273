#pragma once

#include <string>

// Makes a value safe to stand between "key=" and the next "&" of an account or feedback
// request: the bytes that would end or change the pair ("%", "&", "+", "=", "#"), the blank
// (libcurl refuses an address holding one) and the control bytes become "%XX" with upper-case
// hexadecimal digits. Every other byte, UTF-8 included, stays as it is, so values without
// those bytes reach the service byte for byte as typed.
std::string EscapeQueryValue(const std::string& value);
