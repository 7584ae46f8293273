#include "support/FuzzSupport.h"

#include <QDir>

#include <cstdio>
#include <cstdlib>

namespace fuzz {

void Require(bool condition, const char* what) {
    if (condition)
        return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

QString ScratchFile(const char* name) {
    return QDir::current().absoluteFilePath(QString::fromLatin1(name));
}

std::string Fields::Next() {
    if (m_at >= m_size)
        return std::string();
    size_t end = m_at;
    while (end < m_size && static_cast<unsigned char>(m_data[end]) != 0xFF)
        ++end;
    std::string field(m_data + m_at, end - m_at);
    m_at = end + 1;
    return field;
}

std::string Fields::Rest() {
    if (m_at >= m_size)
        return std::string();
    std::string rest(m_data + m_at, m_size - m_at);
    m_at = m_size;
    return rest;
}

uint8_t Fields::Byte() {
    return m_at < m_size ? static_cast<uint8_t>(m_data[m_at++]) : 0;
}

} // namespace fuzz
