#include "speech/CSrRecorder.h"

#include "app/Log.h"
#include "platform/IAudioCapture.h"

#include <QString>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace {

constexpr unsigned kBufferDoneMessage = 0x3C0;   // a buffer came back from the source
constexpr unsigned kSourceClosedMessage = 0x3BF; // the source is closed: the thread ends

} // namespace

std::unique_ptr<CSrRecorder> CSrRecorder::Create(Callback callback, void* user) {
    return std::make_unique<CSrRecorder>(std::move(callback), user);
}

CSrRecorder::CSrRecorder(Callback callback, void* user)
    : m_callback(std::move(callback)), m_user(user) {}

CSrRecorder::~CSrRecorder() {
    Close();
}

std::size_t CSrRecorder::BufferBytesFor(unsigned sampleRate) {
    return kBlockAlign * (sampleRate / 50) * 10;
}

unsigned CSrRecorder::SampleRateFromParams(const std::string& params) {
    const std::size_t name = params.find("sample_rate");
    if (name == std::string::npos)
        return 0;
    std::size_t at = params.find('=', name);
    if (at == std::string::npos)
        return 0;
    ++at;
    while (at < params.size() && std::isblank(static_cast<unsigned char>(params[at])))
        ++at;
    unsigned rate = 0;
    bool anyDigit = false;
    for (; at < params.size() && std::isdigit(static_cast<unsigned char>(params[at])); ++at) {
        if (rate > 10000000u)
            return 0;
        rate = rate * 10 + static_cast<unsigned>(params[at] - '0');
        anyDigit = true;
    }
    return anyDigit ? rate : 0;
}

int CSrRecorder::Open(const std::string& source, const SrAudioFormat* format) {
    std::lock_guard<std::mutex> lock(m_controlMutex);
    if (m_state != StateClosed)
        return 0;
    const unsigned rate = format ? format->sampleRate : 16000;
    m_bufferBytes = BufferBytesFor(rate);
    m_bufferCount = kBufferCount;

    m_threadQueue = std::make_shared<ThreadMessageQueue>();
    m_callbackThread = std::thread(&CSrRecorder::RunCallbackThread, this);

    auto capture = platform::CreateAudioCapture();
    platform::CaptureFormat captureFormat;
    captureFormat.source = source;
    captureFormat.sampleRate = rate;
    captureFormat.channels = 1;
    captureFormat.blockBytes = m_bufferBytes;
    const int result =
        capture->Open(captureFormat, [this](const char* data, std::size_t length, bool partial) {
            OnBlock(data, length, partial);
        });
    if (result != 0) {
        // The owner learns of it at Start (kNotOpen); the log says why.
        applog::Warning(QStringLiteral("recogniser microphone could not be opened: %1 (%2)")
                            .arg(QString::fromStdString(platform::AudioErrorText(result)))
                            .arg(result));
        EndCallbackThread();
        return 0;
    }
    m_capture = std::move(capture);
    std::lock_guard<std::mutex> buffers(m_bufferMutex);
    for (int i = 0; i < m_bufferCount; ++i) {
        m_buffers[i].data.assign(m_bufferBytes, 0);
        m_buffers[i].recorded = 0;
        m_buffers[i].place = Place::Free;
        m_buffers[i].userWord = i + 1;
    }
    m_sourceQueue.clear();
    m_state = StateOpen;
    return 0;
}

int CSrRecorder::Start() {
    std::lock_guard<std::mutex> lock(m_controlMutex);
    if (m_state == StateRecording)
        return 0;
    if (m_state != StateOpen)
        return kNotOpen;
    {
        std::lock_guard<std::mutex> buffers(m_bufferMutex);
        QueueFreeBuffers();
        m_state = StateRecording;
    }
    const int result = m_capture->Start();
    if (result != 0) {
        std::lock_guard<std::mutex> buffers(m_bufferMutex);
        m_state = StateOpen;
        for (std::size_t index : m_sourceQueue) {
            m_buffers[index].place = Place::Free;
            m_buffers[index].userWord = 0;
        }
        m_sourceQueue.clear();
    }
    return result;
}

int CSrRecorder::Stop() {
    std::lock_guard<std::mutex> lock(m_controlMutex);
    if (m_state != StateRecording)
        return -1;
    {
        std::lock_guard<std::mutex> buffers(m_bufferMutex);
        m_state = StateStopping;
    }
    const int result = m_capture->Stop();
    if (result != 0)
        return result;
    std::lock_guard<std::mutex> buffers(m_bufferMutex);
    ReturnQueuedBuffers();
    m_state = StateOpen;
    return 0;
}

bool CSrRecorder::IsStopped() const {
    std::lock_guard<std::mutex> buffers(m_bufferMutex);
    if (m_state == StateRecording || !m_backlog.empty())
        return false;
    for (int i = 0; i < m_bufferCount; ++i) {
        if (m_buffers[i].place != Place::Free || m_buffers[i].userWord != 0)
            return false;
    }
    return true;
}

void CSrRecorder::Close() {
    if (m_state == StateRecording)
        Stop();
    {
        std::lock_guard<std::mutex> lock(m_controlMutex);
        if (m_state == StateClosed)
            return;
        m_capture->Close();
        m_capture.reset();
        m_state = StateClosed;
    }
    // Buffers already returned still reach the callback before the thread ends.
    EndCallbackThread();
    std::lock_guard<std::mutex> buffers(m_bufferMutex);
    m_sourceQueue.clear();
    m_backlog.clear();
    for (Buffer& buffer : m_buffers) {
        buffer.data.clear();
        buffer.data.shrink_to_fit();
        buffer.place = Place::Free;
        buffer.userWord = 0;
    }
}

void CSrRecorder::OnBlock(const char* data, std::size_t length, bool partial) {
    std::size_t index = 0;
    {
        std::lock_guard<std::mutex> buffers(m_bufferMutex);
        // Every buffer is still with the callback: the samples wait for the next buffer that
        // comes back. Only a callback that stays behind for the whole backlog loses audio,
        // and every block lost that way is logged.
        if (m_sourceQueue.empty()) {
            if (m_backlog.size() < kMaxBacklog)
                m_backlog.emplace_back(data, data + length);
            else
                applog::Warning(
                    QStringLiteral("recogniser behind: %1 bytes of audio dropped").arg(length));
            return;
        }
        index = m_sourceQueue.front();
        m_sourceQueue.pop_front();
        Buffer& buffer = m_buffers[index];
        length = std::min(length, buffer.data.size());
        std::copy(data, data + length, buffer.data.begin());
        buffer.recorded = length;
        buffer.place = Place::Returned;
    }
    m_threadQueue->Post(kBufferDoneMessage, static_cast<std::intptr_t>(index + 1));
}

void CSrRecorder::QueueFreeBuffers() {
    for (int i = 0; i < m_bufferCount; ++i) {
        Buffer& buffer = m_buffers[i];
        if (buffer.place != Place::Free)
            continue;
        buffer.place = Place::InSource;
        buffer.recorded = 0;
        buffer.userWord = i + 1;
        m_sourceQueue.push_back(static_cast<std::size_t>(i));
    }
}

void CSrRecorder::ReturnQueuedBuffers() {
    for (std::size_t index : m_sourceQueue) {
        m_buffers[index].recorded = 0;
        m_buffers[index].place = Place::Returned;
        m_threadQueue->Post(kBufferDoneMessage, static_cast<std::intptr_t>(index + 1));
    }
    m_sourceQueue.clear();
}

void CSrRecorder::RunCallbackThread() {
    for (;;) {
        const ThreadMessage message = m_threadQueue->Take();
        if (message.message == kSourceClosedMessage)
            return;
        if (message.message == kBufferDoneMessage)
            ProcessReturnedBuffer(static_cast<std::size_t>(message.wParam));
    }
}

void CSrRecorder::ProcessReturnedBuffer(std::size_t number) {
    if (number == 0 || number > static_cast<std::size_t>(m_bufferCount))
        return;
    Buffer& buffer = m_buffers[number - 1];
    // The last, partial buffer of a stop reaches the callback too.
    if (buffer.recorded > 0 && m_callback)
        m_callback(buffer.data.data(), buffer.recorded, m_user);
    std::lock_guard<std::mutex> buffers(m_bufferMutex);
    if (!m_backlog.empty()) {
        FillFromBacklog(number - 1);
    } else if (m_state == StateRecording) {
        buffer.place = Place::InSource;
        buffer.recorded = 0;
        buffer.userWord = static_cast<int>(number);
        m_sourceQueue.push_back(number - 1);
    } else {
        buffer.place = Place::Free;
        buffer.userWord = 0;
    }
}

void CSrRecorder::FillFromBacklog(std::size_t index) {
    Buffer& buffer = m_buffers[index];
    const std::vector<char>& block = m_backlog.front();
    const std::size_t length = std::min(block.size(), buffer.data.size());
    std::copy(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(length),
              buffer.data.begin());
    buffer.recorded = length;
    buffer.place = Place::Returned;
    buffer.userWord = static_cast<int>(index + 1);
    m_backlog.pop_front();
    m_threadQueue->Post(kBufferDoneMessage, static_cast<std::intptr_t>(index + 1));
}

void CSrRecorder::EndCallbackThread() {
    if (!m_callbackThread.joinable())
        return;
    m_threadQueue->Post(kSourceClosedMessage);
    m_callbackThread.join();
    m_threadQueue.reset();
}
