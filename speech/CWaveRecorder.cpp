#include "speech/CWaveRecorder.h"

#include "app/Log.h"
#include "platform/IAudioCapture.h"

#include <QString>

CWaveRecorder& CWaveRecorder::Shared() {
    static CWaveRecorder recorder;
    return recorder;
}

CWaveRecorder::CWaveRecorder() = default;

CWaveRecorder::~CWaveRecorder() {
    Close();
}

int CWaveRecorder::Open() {
    Close();
    std::lock_guard<std::mutex> lock(m_controlMutex);
    auto capture = platform::CreateAudioCapture();
    platform::CaptureFormat format;
    format.sampleRate = kSampleRate;
    format.channels = 1;
    format.blockBytes = kBlockBytes;
    const int result =
        capture->Open(format, [this](const char* data, std::size_t length, bool partial) {
            OnBlock(data, length, partial);
        });
    if (result != 0) {
        applog::Warning(QStringLiteral("microphone capture could not be opened: %1 (%2)")
                            .arg(QString::fromStdString(platform::AudioErrorText(result)))
                            .arg(result));
        return result;
    }
    m_capture = std::move(capture);
    m_state = Idle;
    return 0;
}

int CWaveRecorder::Start() {
    std::lock_guard<std::mutex> lock(m_controlMutex);
    if (m_state == Recording)
        return -1;
    if (!m_capture)
        return kNotOpen;
    // Recording is set first so that the first block, which may come at once, is not lost.
    m_state = Recording;
    const int result = m_capture->Start();
    if (result != 0) {
        m_capture->Stop();
        m_state = Idle;
    }
    return result;
}

int CWaveRecorder::Stop() {
    std::lock_guard<std::mutex> lock(m_controlMutex);
    if (m_state != Recording)
        return -1;
    m_state = Stopping;
    const int result = m_capture->Stop();
    EndSenderStream();
    if (result == 0)
        m_state = Idle;
    return result;
}

int CWaveRecorder::Close() {
    if (m_state == Recording)
        Stop();
    std::lock_guard<std::mutex> lock(m_controlMutex);
    if (m_capture) {
        m_capture->Close();
        m_capture.reset();
    }
    m_state = Idle;
    return 0;
}

bool CWaveRecorder::IsOpen() const {
    std::lock_guard<std::mutex> lock(m_controlMutex);
    return m_capture != nullptr;
}

void CWaveRecorder::SetSenderThread(std::shared_ptr<ThreadMessageQueue> sender) {
    std::lock_guard<std::mutex> lock(m_outputMutex);
    m_sender = std::move(sender);
}

void CWaveRecorder::AttachSender(std::shared_ptr<ThreadMessageQueue> sender) {
    if (!sender)
        return;
    {
        // Stop leaves recording before it takes this lock to end the sender's stream, so a
        // sender kept here is always ended by that Stop.
        std::lock_guard<std::mutex> lock(m_outputMutex);
        if (m_state == Recording) {
            m_sender = std::move(sender);
            return;
        }
    }
    sender->Post(kAudioEndMessage);
}

std::shared_ptr<ThreadMessageQueue> CWaveRecorder::SenderThread() const {
    std::lock_guard<std::mutex> lock(m_outputMutex);
    return m_sender;
}

void CWaveRecorder::SetRecordingFile(std::shared_ptr<std::FILE> file) {
    std::lock_guard<std::mutex> lock(m_outputMutex);
    m_recordingFile = std::move(file);
}

void CWaveRecorder::OnBlock(const char* data, std::size_t length, bool partial) {
    if (partial || m_state != Recording)
        return;
    std::shared_ptr<ThreadMessageQueue> sender;
    {
        std::lock_guard<std::mutex> lock(m_outputMutex);
        sender = m_sender;
        if (m_recordingFile)
            std::fwrite(data, 1, length, m_recordingFile.get());
    }
    if (sender) {
        ThreadMessage message;
        message.message = kAudioDataMessage;
        message.data.assign(data, data + length);
        sender->Post(std::move(message));
    }
}

void CWaveRecorder::EndSenderStream() {
    std::shared_ptr<ThreadMessageQueue> sender;
    {
        std::lock_guard<std::mutex> lock(m_outputMutex);
        sender.swap(m_sender);
    }
    if (sender)
        sender->Post(kAudioEndMessage);
}
