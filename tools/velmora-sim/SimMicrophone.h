#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The world's one microphone: 16 kHz mono 16-bit audio on a timeline that runs in real time
// while at least one capture listens, and pauses when the last one stops. Queued audio plays
// once, from where the timeline stands when it is queued (or from the start of the next
// capture when nobody listens); everything else the microphone hears is silence. Every
// listener gets the same bytes for the same stretch of time, as clients sharing a real
// microphone do. Time is passed in, in nanoseconds on a monotonic clock, so the class is a
// pure function of its calls.
class SimMicrophone {
public:
    static constexpr unsigned kSampleRate = 16000;
    static constexpr unsigned kBytesPerSecond = kSampleRate * 2;
    // Audio is handed out in whole chunks of this many bytes (20 ms) while playing; a capture
    // that starts joins at the beginning of the chunk in progress.
    static constexpr int64_t kChunkBytes = kBytesPerSecond / 50;

    // Appends audio (whole samples) to the queue.
    void Queue(const std::string& pcm);
    int64_t QueuedBytes() const { return static_cast<int64_t>(m_queue.size()); }

    bool IsPlaying() const { return m_playing; }
    // Starts the timeline at nowNs when it is paused.
    void Play(int64_t nowNs);
    // The chunks completed since the last call, the same for every listener; empty when none.
    std::string TakeChunks(int64_t nowNs);
    // The audio after the last whole chunk up to nowNs, for a capture that stops now; it stays
    // on the timeline for the listeners that go on.
    std::string Remainder(int64_t nowNs) const;
    // Pauses the timeline at nowNs (the last listener stopped): audio heard until then is gone.
    void Pause(int64_t nowNs);
    // Milliseconds until the chunk in progress completes; -1 when paused.
    int MsUntilNextChunk(int64_t nowNs) const;

private:
    int64_t PositionAt(int64_t nowNs) const;
    std::string Slice(int64_t from, int64_t to) const;
    void DropBefore(int64_t position);

    std::string m_queue; // audio not yet heard; m_queue[0] sits at m_queueStart
    int64_t m_queueStart = 0;
    int64_t m_delivered = 0; // end of the last chunk handed out
    int64_t m_originNs = 0;  // when the timeline's position 0 was heard
    bool m_playing = false;
};
