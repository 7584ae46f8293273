#pragma once

#include "speech/TranscriberSettings.h"
#include "speech/TranscriptionJob.h"
#include "speech/TranscriptionOutcome.h"

#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CTranscriptionSignal;

// One recording sent to the first vendor's streaming dictation API: its PCM goes out in
// 1280-byte blocks (40 ms of audio) at real-time pace, first / continuing / last frames in the
// job's language, and the text of every result is appended to the recording's text file.
//
// Every PCM byte is sent once: a dropped connection is reopened and the file goes on from the
// first block not yet sent, with a first frame again; a block whose send failed is sent on the
// next connection. The transcript is complete on the vendor's final result, on a close after
// the last frame, or when no final result has come finalResultTimeout after it.
//
// Run runs on the transcription thread; the WebSocket handlers run on the connect thread and
// only append text and wake Run. Run returns after the connection's thread has ended.
class CXfRecordingStream {
public:
    using Progress = std::function<void(std::uint64_t sent, std::uint64_t total)>;

    CXfRecordingStream(TranscriberSettings settings, TranscriptionJob job,
                       std::shared_ptr<CTranscriptionSignal> signal, Progress progress);
    ~CXfRecordingStream();
    CXfRecordingStream(const CXfRecordingStream&) = delete;
    CXfRecordingStream& operator=(const CXfRecordingStream&) = delete;

    TranscriptionOutcome Run();

private:
    struct Link;

    TranscriptionOutcome Stream(std::ifstream& pcm);
    bool Connect();
    bool SendBlock(const std::vector<char>& block);
    bool SendLastFrame();
    void DropConnection();
    TranscriptionOutcome AwaitFinalResult();
    void EndConnection();

    static void HandleMessage(Link& link, const std::string& payload);

    TranscriberSettings m_settings;
    TranscriptionJob m_job;
    std::shared_ptr<CTranscriptionSignal> m_signal;
    Progress m_progress;
    std::shared_ptr<Link> m_link;
    int m_frameStatus = 2;
    std::uint64_t m_sent = 0;
    std::uint64_t m_total = 0;
};
