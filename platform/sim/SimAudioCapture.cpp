#include "platform/sim/SimAudioCapture.h"

#include "platform/sim/SimClient.h"
#include "platform/sim/SimHex.h"

#include <pulse/def.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace platform::sim {

namespace {

constexpr int kReplyTimeoutMs = 2000;
// The reader wakes this often to notice a stop whose confirmation never comes.
constexpr int kReadSliceMs = 200;

int ErrorFromReply(const Json::Value& reply, int refused) {
    return reply.isNull() ? -PA_ERR_CONNECTIONTERMINATED : refused;
}

} // namespace

SimAudioCapture::~SimAudioCapture() {
    Close();
}

int SimAudioCapture::Open(const CaptureFormat& format, BlockHandler handler) {
    Close();
    if (format.channels == 0 || format.sampleRate == 0 || format.blockBytes == 0 ||
        format.blockBytes % (2 * format.channels) != 0 || !handler)
        return -PA_ERR_INVALID;
    auto connection = std::make_unique<SimClient>();
    if (!connection->Connect(SimClient::SocketFromEnvironment()))
        return -PA_ERR_CONNECTIONREFUSED;
    Json::Value request;
    request["op"] = "capture_open";
    request["rate"] = format.sampleRate;
    request["channels"] = format.channels;
    request["block"] = static_cast<Json::UInt64>(format.blockBytes);
    request["source"] = format.source;
    const Json::Value reply = connection->Request(request, kReplyTimeoutMs);
    if (!reply.get("ok", false).asBool()) {
        const bool unknownSource =
            reply.get("error", "").asString().rfind("no such source", 0) == 0;
        return ErrorFromReply(reply, unknownSource ? -PA_ERR_NOENTITY : -PA_ERR_NOTSUPPORTED);
    }
    m_connection = std::move(connection);
    m_blocks.Reset(format.blockBytes, std::move(handler));
    return 0;
}

int SimAudioCapture::Start() {
    if (!m_connection)
        return -PA_ERR_BADSTATE;
    if (m_started)
        return -PA_ERR_EXIST;
    Json::Value request;
    request["op"] = "capture_start";
    const Json::Value reply = m_connection->Request(request, kReplyTimeoutMs);
    if (!reply.get("ok", false).asBool())
        return ErrorFromReply(reply, -PA_ERR_BADSTATE);
    m_blocks.Restart();
    m_stopSent = false;
    m_stopConfirmed = false;
    m_streaming = true;
    m_started = true;
    m_reader = std::thread(&SimAudioCapture::ReadAudio, this);
    return 0;
}

int SimAudioCapture::Stop() {
    if (!m_connection || !m_started)
        return -PA_ERR_BADSTATE;
    Json::Value request;
    request["op"] = "capture_stop";
    // The world answers after the last audio of this capture, so the reader ends having
    // delivered everything that was heard up to now.
    m_connection->Send(request); // a lost world shows as a closed connection to the reader
    m_stopSent = true;
    m_reader.join();
    m_started = false;
    m_streaming = false;
    m_blocks.FlushPartial();
    return m_stopConfirmed ? 0 : -PA_ERR_CONNECTIONTERMINATED;
}

void SimAudioCapture::Close() {
    if (m_started)
        Stop();
    m_connection.reset();
    m_blocks.Release();
}

bool SimAudioCapture::IsRunning() const {
    return m_streaming;
}

void SimAudioCapture::ReadAudio() {
    using Clock = std::chrono::steady_clock;
    Clock::time_point stopDeadline = Clock::time_point::max();
    Json::Value message;
    for (;;) {
        if (m_stopSent && stopDeadline == Clock::time_point::max())
            stopDeadline = Clock::now() + std::chrono::milliseconds(kReplyTimeoutMs);
        if (Clock::now() >= stopDeadline)
            break;
        if (!m_connection->ReadMessage(message, kReadSliceMs)) {
            if (m_connection->PeerClosed())
                break; // the world went away; Stop still hands over what came
            continue;
        }
        if (message.isMember("audio")) {
            const auto bytes = FromHex(message["audio"].asString());
            if (bytes)
                m_blocks.Append(reinterpret_cast<const char*>(bytes->data()), bytes->size());
        } else if (message.isMember("ok")) {
            m_stopConfirmed = message["ok"].asBool();
            break;
        }
    }
    m_streaming = false;
}

} // namespace platform::sim
