#include "service/UpdateFiles.h"

#include <cctype>

namespace updatefiles {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string Trimmed(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

namespace {

bool IsSha256Hex(const std::string& text) {
    if (text.size() != 64)
        return false;
    for (const char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

std::string Lowered(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

std::optional<std::string> ParseVersionText(const std::string& text) {
    std::size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    const std::size_t newline = text.find('\n', start);
    const std::string line = Trimmed(
        text.substr(start, newline == std::string::npos ? std::string::npos : newline - start));
    bool hasDigit = false;
    for (const char c : line) {
        if (c != '.' && !std::isdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        hasDigit = hasDigit || c != '.';
    }
    if (!hasDigit)
        return std::nullopt;
    return line;
}

std::optional<std::string> FindListedDigest(const std::string& body, const std::string& fileName) {
    std::size_t start = 0;
    while (start < body.size()) {
        std::size_t end = body.find('\n', start);
        if (end == std::string::npos)
            end = body.size();
        const std::string line = Trimmed(body.substr(start, end - start));
        start = end + 1;
        if (line.size() < 67 || !IsSha256Hex(line.substr(0, 64)) || line[64] != ' ' ||
            (line[65] != ' ' && line[65] != '*'))
            continue;
        const std::string name = line.substr(66);
        const std::size_t slash = name.rfind('/');
        if ((slash == std::string::npos ? name : name.substr(slash + 1)) == fileName)
            return Lowered(line.substr(0, 64));
    }
    return std::nullopt;
}

} // namespace updatefiles
