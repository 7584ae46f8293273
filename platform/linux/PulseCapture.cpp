#include "platform/linux/PulseCapture.h"

#include <pulse/error.h>
#include <pulse/sample.h>

#include <algorithm>
#include <cstring>

namespace platform::linux_audio {

namespace {

// Fragments of a fifth of a block keep the first samples close to Start and the block edges
// close to the source's own timing, at five wake-ups per block.
constexpr std::size_t kFragmentsPerBlock = 5;

pa_sample_spec SampleSpec(const CaptureFormat& format) {
    pa_sample_spec sampleSpec;
    sampleSpec.format = PA_SAMPLE_S16LE;
    sampleSpec.rate = format.sampleRate;
    sampleSpec.channels = static_cast<uint8_t>(format.channels);
    return sampleSpec;
}

} // namespace

PulseCapture::~PulseCapture() {
    Close();
}

int PulseCapture::Open(const CaptureFormat& format, BlockHandler handler) {
    Close();
    const pa_sample_spec sampleSpec = SampleSpec(format);
    if (format.channels == 0 || format.channels > PA_CHANNELS_MAX ||
        !pa_sample_spec_valid(&sampleSpec) || format.blockBytes == 0 ||
        format.blockBytes % pa_frame_size(&sampleSpec) != 0 || !handler)
        return -PA_ERR_INVALID;
    const int result = m_connection.Connect("Velmora capture");
    if (result != 0)
        return result;
    m_format = format;
    m_blocks.Reset(format.blockBytes, std::move(handler));
    return 0;
}

int PulseCapture::Start() {
    if (!m_connection.Context())
        return -PA_ERR_BADSTATE;
    PulseConnection::Locker lock(m_connection);
    if (m_stream)
        return -PA_ERR_EXIST;
    const pa_sample_spec sampleSpec = SampleSpec(m_format);
    m_stream = pa_stream_new(m_connection.Context(), "Microphone", &sampleSpec, nullptr);
    if (!m_stream)
        return m_connection.LastError();
    pa_stream_set_state_callback(m_stream, &PulseCapture::OnStreamState, this);
    pa_stream_set_read_callback(m_stream, &PulseCapture::OnReadable, this);

    pa_buffer_attr attr;
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = attr.prebuf = attr.minreq = static_cast<uint32_t>(-1);
    attr.fragsize = static_cast<uint32_t>(std::max<std::size_t>(
        m_format.blockBytes / kFragmentsPerBlock, pa_frame_size(&sampleSpec)));
    const char* device = m_format.source.empty() ? nullptr : m_format.source.c_str();
    m_blocks.Restart();
    if (pa_stream_connect_record(m_stream, device, &attr, PA_STREAM_ADJUST_LATENCY) < 0) {
        const int error = m_connection.LastError();
        DropStream();
        return error;
    }
    const bool settled = m_connection.WaitUntil([this] {
        const pa_stream_state_t s = pa_stream_get_state(m_stream);
        return s == PA_STREAM_READY || !PA_STREAM_IS_GOOD(s);
    });
    if (!settled || pa_stream_get_state(m_stream) != PA_STREAM_READY) {
        const int error = settled ? m_connection.LastError() : -PA_ERR_TIMEOUT;
        DropStream();
        return error;
    }
    return 0;
}

int PulseCapture::Stop() {
    if (!m_connection.Context())
        return -PA_ERR_BADSTATE;
    PulseConnection::Locker lock(m_connection);
    if (!m_stream)
        return -PA_ERR_BADSTATE;
    if (pa_stream_get_state(m_stream) == PA_STREAM_READY)
        ReadAvailable();
    DropStream();
    m_blocks.FlushPartial();
    return 0;
}

void PulseCapture::Close() {
    if (m_connection.Context()) {
        PulseConnection::Locker lock(m_connection);
        DropStream();
    }
    m_connection.Disconnect();
    m_blocks.Release();
}

bool PulseCapture::IsRunning() const {
    if (!m_connection.Context())
        return false;
    PulseConnection::Locker lock(m_connection);
    return m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY;
}

void PulseCapture::DropStream() {
    if (!m_stream)
        return;
    pa_stream_set_read_callback(m_stream, nullptr, nullptr);
    pa_stream_set_state_callback(m_stream, nullptr, nullptr);
    if (PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream)))
        pa_stream_disconnect(m_stream);
    pa_stream_unref(m_stream);
    m_stream = nullptr;
}

void PulseCapture::OnReadable(pa_stream*, std::size_t, void* self) {
    static_cast<PulseCapture*>(self)->ReadAvailable();
}

void PulseCapture::OnStreamState(pa_stream*, void* self) {
    static_cast<PulseCapture*>(self)->m_connection.Signal();
}

void PulseCapture::ReadAvailable() {
    while (pa_stream_readable_size(m_stream) > 0) {
        const void* data = nullptr;
        std::size_t length = 0;
        if (pa_stream_peek(m_stream, &data, &length) < 0 || length == 0)
            return;
        if (data) {
            m_blocks.Append(static_cast<const char*>(data), length);
        } else {
            // A hole in the stream (samples the server never had) is kept as silence, so
            // that every later sample stays at its place in time.
            std::vector<char> silence(length, 0);
            m_blocks.Append(silence.data(), length);
        }
        pa_stream_drop(m_stream);
    }
}

} // namespace platform::linux_audio
