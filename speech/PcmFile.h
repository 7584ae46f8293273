#pragma once

#include <cstdint>
#include <fstream>
#include <string>

// Opens a recording's PCM file for reading and gives its size. False for anything that is not
// a readable regular file (a folder opens for reading on Linux and would read as empty).
bool OpenPcmFile(const std::string& path, std::ifstream& in, std::uint64_t& size);
