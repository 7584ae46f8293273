#include "speech/CXfRecordingStream.h"

#include "app/Log.h"
#include "platform/DebugChannel.h"
#include "speech/CTranscriptFile.h"
#include "speech/CTranscriptionSignal.h"
#include "speech/CWebSocketPath.h"
#include "speech/PcmFile.h"
#include "speech/XfFrames.h"
#include "speech/XfSignedUrl.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kBlockBytes = 1280;
constexpr int kFirstFrameNext = 0;
constexpr int kContinuing = 1;
constexpr int kLastFrameSent = 2;
// A connection attempt ends by the client's own timeouts (5 s per phase); these only keep a
// transcription from hanging on one that never does.
constexpr auto kAttemptWait = std::chrono::seconds(60);
constexpr auto kCloseWait = std::chrono::seconds(12);

void Debug(const char* utf8) {
    platform::OutputDebug(QString::fromUtf8(utf8));
}

// Reads the next block; a short block is the file's tail. False on a read error.
bool ReadBlock(std::ifstream& pcm, std::vector<char>& block, bool& endOfFile) {
    block.resize(kBlockBytes);
    pcm.read(block.data(), static_cast<std::streamsize>(kBlockBytes));
    const auto got = pcm.gcount();
    block.resize(static_cast<std::size_t>(got));
    if (pcm.bad())
        return false;
    if (static_cast<std::size_t>(got) < kBlockBytes)
        endOfFile = true;
    return true;
}

} // namespace

// What the connect thread's handlers share with Run. The flags are read and written under the
// signal's lock.
struct CXfRecordingStream::Link {
    std::shared_ptr<CTranscriptionSignal> signal;
    std::shared_ptr<CTranscriptFile> transcript = std::make_shared<CTranscriptFile>();
    std::shared_ptr<CWebSocketPath> path;

    bool opened = false; // the current attempt opened
    bool failed = false; // the current attempt ended without opening
    bool lastFrameSent = false;
    bool finalResult = false; // "data"."status" 2 after the last frame
};

CXfRecordingStream::CXfRecordingStream(TranscriberSettings settings, TranscriptionJob job,
                                       std::shared_ptr<CTranscriptionSignal> signal,
                                       Progress progress)
    : m_settings(std::move(settings)), m_job(std::move(job)), m_signal(std::move(signal)),
      m_progress(std::move(progress)), m_link(std::make_shared<Link>()) {
    m_link->signal = m_signal;
    // Handlers hold the link weakly: the link owns the path, and the path its handlers.
    const std::weak_ptr<Link> weak = m_link;
    const auto wake = [weak] {
        if (const auto link = weak.lock())
            link->signal->Change(nullptr);
    };
    CWebSocketPath::Handlers handlers;
    handlers.onOpen = [weak] {
        if (const auto link = weak.lock())
            link->signal->Change([&link] { link->opened = true; });
    };
    handlers.onFailed = [weak](int) {
        if (const auto link = weak.lock())
            link->signal->Change([&link] { link->failed = true; });
    };
    handlers.onMessage = [weak](const std::string& payload) {
        if (const auto link = weak.lock())
            HandleMessage(*link, payload);
    };
    handlers.onClose = wake;
    handlers.onEnded = wake;
    m_link->path = CWebSocketPath::Create(CWebSocketPath::Transport::Tls, m_settings.stream.caFile,
                                          std::move(handlers));
}

CXfRecordingStream::~CXfRecordingStream() = default;

TranscriptionOutcome CXfRecordingStream::Run() {
    std::ifstream pcm;
    if (!OpenPcmFile(m_job.pcmPath, pcm, m_total)) {
        applog::Warning(QStringLiteral("transcription: the recording's PCM file cannot be read"));
        return TranscriptionOutcome::Failed;
    }
    if (!m_link->transcript->Open(m_job.txtPath)) {
        applog::Warning(QStringLiteral("transcription: the text file cannot be created"));
        return TranscriptionOutcome::Failed;
    }

    TranscriptionOutcome outcome = Stream(pcm);
    EndConnection();
    if (outcome == TranscriptionOutcome::Done) {
        Debug("txt close\n");
        if (!m_link->transcript->Commit()) {
            applog::Warning(QStringLiteral("transcription: the text file cannot be written"));
            outcome = TranscriptionOutcome::Failed;
        }
    } else {
        m_link->transcript->Discard();
    }
    return outcome;
}

TranscriptionOutcome CXfRecordingStream::Stream(std::ifstream& pcm) {
    std::vector<char> block;
    bool pending = false;
    bool endOfFile = false;
    bool wasOpen = false;
    // Connection attempts since a block last went out: attempts that never open, and
    // connections that close before taking a block, alike.
    int fruitlessAttempts = 0;
    Clock::time_point tick;

    for (;;) {
        if (m_signal->StopRequested())
            return TranscriptionOutcome::Stopped;
        if (!pending && !endOfFile) {
            if (!ReadBlock(pcm, block, endOfFile)) {
                applog::Warning(QStringLiteral("transcription: reading the PCM file failed"));
                return TranscriptionOutcome::Failed;
            }
            pending = !block.empty();
        }
        // An empty recording has nothing to send and an empty transcript.
        if (!pending && m_sent == 0)
            return TranscriptionOutcome::Done;

        if (!m_link->path->IsConnected()) {
            // Dropped after the last block: a new connection would carry no audio.
            if (!pending)
                return TranscriptionOutcome::Done;
            if (wasOpen)
                Debug("******************一分钟，准备重连*********************\n");
            wasOpen = false;
            if (fruitlessAttempts > m_settings.reconnects) {
                applog::Warning(QStringLiteral("transcription: the dictation service cannot be "
                                               "reached"));
                return TranscriptionOutcome::Failed;
            }
            if (fruitlessAttempts > 0 &&
                !m_signal->SleepUntil(Clock::now() + m_settings.retryPause))
                return TranscriptionOutcome::Stopped;
            ++fruitlessAttempts;
            if (!Connect())
                continue;
            wasOpen = true;
            m_frameStatus = kFirstFrameNext;
            tick = Clock::now();
        }

        if (pending) {
            if (!SendBlock(block)) {
                DropConnection();
                continue;
            }
            pending = false;
            fruitlessAttempts = 0;
            m_sent += block.size();
            if (m_progress)
                m_progress(m_sent, m_total);
        } else {
            if (!SendLastFrame()) {
                DropConnection();
                continue;
            }
            return AwaitFinalResult();
        }
        tick += m_settings.blockInterval;
        if (!m_signal->SleepUntil(tick))
            return TranscriptionOutcome::Stopped;
    }
}

bool CXfRecordingStream::Connect() {
    Link& link = *m_link;
    m_signal->Change([&link] {
        link.opened = false;
        link.failed = false;
    });
    const XfStreamSettings& stream = m_settings.stream;
    if (!link.path->Connect(BuildSignedUrl(stream.address, stream.apiKey, stream.apiSecret)))
        return false;
    bool opened = false;
    m_signal->WaitUntil(Clock::now() + kAttemptWait, [&link, &opened] {
        opened = link.opened;
        return link.opened || link.failed;
    });
    return opened;
}

bool CXfRecordingStream::SendBlock(const std::vector<char>& block) {
    const auto* audio = reinterpret_cast<const std::uint8_t*>(block.data());
    if (m_frameStatus == kFirstFrameNext) {
        if (!m_link->path->Send(
                BuildXfFirstFrame(m_settings.stream.appId, m_job.language, audio, block.size())))
            return false;
        Debug("**********开始发送语音数据*********\n");
        m_frameStatus = kContinuing;
        return true;
    }
    return m_link->path->Send(BuildXfContinuingFrame(audio, block.size()));
}

bool CXfRecordingStream::SendLastFrame() {
    Link& link = *m_link;
    // Set first: the final result may come back before Send has returned.
    m_signal->Change([&link] { link.lastFrameSent = true; });
    if (!link.path->Send(BuildXfLastFrame()))
        return false;
    m_frameStatus = kLastFrameSent;
    Debug("**********结束发送语音数据*********\n");
    return true;
}

// A send failed: the connection is closing or unusable. It is closed and waited for, so the
// next round reconnects.
void CXfRecordingStream::DropConnection() {
    const auto path = m_link->path;
    path->Close();
    m_signal->WaitUntil(Clock::now() + kCloseWait, [&path] { return !path->IsConnected(); });
}

TranscriptionOutcome CXfRecordingStream::AwaitFinalResult() {
    Link& link = *m_link;
    const auto path = link.path;
    const bool ended =
        m_signal->WaitUntil(Clock::now() + m_settings.stream.finalResultTimeout,
                            [&link, &path] { return link.finalResult || !path->IsConnected(); });
    if (m_signal->StopRequested())
        return TranscriptionOutcome::Stopped;
    if (!ended)
        Debug("no final result from the dictation service\n");
    return TranscriptionOutcome::Done;
}

// The connect thread holds the path while its client lives; once it has ended no thread of
// this transcription is left.
void CXfRecordingStream::EndConnection() {
    const auto path = m_link->path;
    path->Close();
    if (!m_signal->WaitRegardlessOfStop(Clock::now() + kCloseWait,
                                        [&path] { return !path->IsBusy(); }))
        applog::Warning(QStringLiteral("transcription: the dictation connection is still "
                                       "closing"));
}

void CXfRecordingStream::HandleMessage(Link& link, const std::string& payload) {
    XfResult result;
    if (!ParseXfResult(payload, result))
        return; // not JSON, or not the result layout: ignored
    link.transcript->Append(result.text);
    if (result.status == 2)
        link.signal->Change([&link] {
            if (link.lastFrameSent)
                link.finalResult = true;
        });
}
