#include "speech/CTranscriptFile.h"

#include <cstdio>

CTranscriptFile::~CTranscriptFile() {
    Discard();
}

std::string CTranscriptFile::TemporaryPathFor(const std::string& path) {
    return path + ".part";
}

bool CTranscriptFile::Open(const std::string& path) {
    std::lock_guard<std::mutex> guard(m_lock);
    CloseLocked();
    m_path = path;
    m_writeFailed = false;
    m_file = std::fopen(TemporaryPathFor(path).c_str(), "wb");
    return m_file != nullptr;
}

bool CTranscriptFile::Append(const std::string& text) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_file == nullptr)
        return false;
    if (text.empty())
        return true;
    if (std::fwrite(text.data(), 1, text.size(), m_file) != text.size() || std::fflush(m_file) != 0)
        m_writeFailed = true;
    return !m_writeFailed;
}

bool CTranscriptFile::Commit() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_file == nullptr)
        return false;
    const bool flushed = std::fflush(m_file) == 0;
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    const std::string temporary = TemporaryPathFor(m_path);
    if (m_writeFailed || !flushed || !closed ||
        std::rename(temporary.c_str(), m_path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

void CTranscriptFile::Discard() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_file == nullptr)
        return;
    CloseLocked();
    std::remove(TemporaryPathFor(m_path).c_str());
}

void CTranscriptFile::CloseLocked() {
    if (m_file != nullptr)
        std::fclose(m_file);
    m_file = nullptr;
}
