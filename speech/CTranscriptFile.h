#pragma once

#include <cstdio>
#include <mutex>
#include <string>

// A recording's transcript while it is made. The text goes to a temporary file beside the
// target and replaces the target only when the transcription completes, so a failed or stopped
// transcription leaves the previous transcript as it was. Appends may come from any thread
// (the WebSocket handlers) while the transcription thread commits or discards.
class CTranscriptFile {
public:
    CTranscriptFile() = default;
    ~CTranscriptFile();
    CTranscriptFile(const CTranscriptFile&) = delete;
    CTranscriptFile& operator=(const CTranscriptFile&) = delete;

    // Creates (or empties) the temporary file; false when it cannot be created.
    bool Open(const std::string& path);
    // Appends UTF-8 text and flushes it; ignored once committed or discarded. False when the
    // write failed (the commit then fails as well).
    bool Append(const std::string& text);
    // Puts the text in place of the target; false (and nothing replaced) on any write failure.
    bool Commit();
    // Removes the temporary file; the target stays as it was.
    void Discard();

    static std::string TemporaryPathFor(const std::string& path);

private:
    void CloseLocked();

    std::mutex m_lock;
    std::FILE* m_file = nullptr;
    std::string m_path;
    bool m_writeFailed = false;
};
