#include "SimMicrophone.h"

#include <algorithm>

void SimMicrophone::Queue(const std::string& pcm) {
    // Audio queued after the queue ran dry starts at the chunk now in progress, which no
    // listener has received yet, so it is heard by all of them from its first sample.
    if (m_queue.empty())
        m_queueStart = m_playing ? m_delivered : 0;
    m_queue += pcm;
}

void SimMicrophone::Play(int64_t nowNs) {
    if (m_playing)
        return;
    m_playing = true;
    m_originNs = nowNs;
    m_delivered = 0;
    m_queueStart = 0;
}

std::string SimMicrophone::TakeChunks(int64_t nowNs) {
    if (!m_playing)
        return {};
    const int64_t position = PositionAt(nowNs);
    const int64_t chunkEnd = position - position % kChunkBytes;
    if (chunkEnd <= m_delivered)
        return {};
    std::string chunks = Slice(m_delivered, chunkEnd);
    m_delivered = chunkEnd;
    DropBefore(m_delivered);
    return chunks;
}

std::string SimMicrophone::Remainder(int64_t nowNs) const {
    if (!m_playing)
        return {};
    return Slice(m_delivered, std::max(m_delivered, PositionAt(nowNs)));
}

void SimMicrophone::Pause(int64_t nowNs) {
    if (!m_playing)
        return;
    DropBefore(std::max(m_delivered, PositionAt(nowNs)));
    m_playing = false;
    m_queueStart = 0;
    m_delivered = 0;
}

int SimMicrophone::MsUntilNextChunk(int64_t nowNs) const {
    if (!m_playing)
        return -1;
    const int64_t nextChunkNs = m_originNs + (m_delivered + kChunkBytes) * 1000000000 /
                                                 static_cast<int64_t>(kBytesPerSecond);
    const int64_t waitNs = std::max<int64_t>(nextChunkNs - nowNs, 0);
    return static_cast<int>((waitNs + 999999) / 1000000);
}

int64_t SimMicrophone::PositionAt(int64_t nowNs) const {
    const int64_t elapsedNs = std::max<int64_t>(nowNs - m_originNs, 0);
    const int64_t bytes = elapsedNs * static_cast<int64_t>(kBytesPerSecond) / 1000000000;
    return bytes - bytes % 2; // whole samples only
}

std::string SimMicrophone::Slice(int64_t from, int64_t to) const {
    std::string bytes(static_cast<size_t>(to - from), '\0');
    const int64_t queueEnd = m_queueStart + static_cast<int64_t>(m_queue.size());
    const int64_t copyFrom = std::max(from, m_queueStart);
    const int64_t copyTo = std::min(to, queueEnd);
    if (copyFrom < copyTo)
        std::copy(m_queue.begin() + (copyFrom - m_queueStart),
                  m_queue.begin() + (copyTo - m_queueStart), bytes.begin() + (copyFrom - from));
    return bytes;
}

void SimMicrophone::DropBefore(int64_t position) {
    if (position <= m_queueStart)
        return;
    const int64_t heard =
        std::min<int64_t>(position - m_queueStart, static_cast<int64_t>(m_queue.size()));
    m_queue.erase(0, static_cast<size_t>(heard));
    m_queueStart += heard;
    if (m_queue.empty())
        m_queueStart = position;
}
