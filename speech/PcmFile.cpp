#include "speech/PcmFile.h"

#include <filesystem>
#include <system_error>

bool OpenPcmFile(const std::string& path, std::ifstream& in, std::uint64_t& size) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    in.open(path, std::ios::binary);
    if (!in)
        return false;
    const auto bytes = std::filesystem::file_size(path, error);
    size = error ? 0 : static_cast<std::uint64_t>(bytes);
    return true;
}
