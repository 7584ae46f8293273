#include "platform/sim/SimAudioPlayer.h"

#include "platform/SimEvents.h"
#include "platform/sim/SimWavHeader.h"

#include <QFile>

#include <curl/curl.h>
#include <json/value.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace platform::sim {

namespace {
using Clock = std::chrono::steady_clock;

enum class Phase { Empty, Loading, Stopped, Playing, Paused, Failed };

// What a fetch of an address brought: the WAV's first bytes and the body's length.
struct FetchOutcome {
    bool ok = false;
    QByteArray head;
    std::int64_t total = 0;
    std::string error;
};
} // namespace

struct SimAudioPlayer::State {
    mutable std::mutex lock;
    std::condition_variable changed;
    std::atomic<bool> closed{false};
    // Bumped by every open, so that a fetch of an earlier source stops and its outcome is
    // dropped.
    std::atomic<std::uint64_t> generation{0};

    // Held while the listener runs, so that none runs once the player is gone.
    std::mutex listenerLock;
    Listener listener; // guarded by listenerLock

    // Guarded by lock.
    bool inMemory = false;
    std::string source;
    std::string voice;
    std::int64_t bytes = 0;
    std::int64_t duration = 0;
    Phase phase = Phase::Empty;
    bool playWanted = false; // Play came while the address was still being fetched
    std::int64_t anchorPosition = 0;
    Clock::time_point anchorTime;
    double rate = 1.0;
    std::optional<std::string> addressToFetch;

    std::int64_t PositionLocked(Clock::time_point now) const {
        if (phase != Phase::Playing)
            return anchorPosition;
        const double elapsedMs =
            std::chrono::duration<double, std::milli>(now - anchorTime).count() * rate;
        return std::min(duration, anchorPosition + static_cast<std::int64_t>(elapsedMs));
    }

    Clock::time_point EndTimeLocked() const {
        const double leftMs = static_cast<double>(duration - anchorPosition) / rate;
        return anchorTime + std::chrono::duration_cast<Clock::duration>(
                                std::chrono::duration<double, std::milli>(leftMs));
    }

    // Moves the clock's anchor to now, keeping the position.
    void ReanchorLocked(Clock::time_point now) {
        anchorPosition = PositionLocked(now);
        anchorTime = now;
    }

    Json::Value EventLocked(const char* action) const {
        Json::Value event;
        event["kind"] = "playback";
        event["action"] = action;
        event["source"] = source;
        if (!voice.empty())
            event["voice"] = voice;
        event["bytes"] = static_cast<Json::Int64>(bytes);
        event["position_ms"] = static_cast<Json::Int64>(PositionLocked(Clock::now()));
        event["duration_ms"] = static_cast<Json::Int64>(duration);
        event["rate"] = rate;
        return event;
    }

    Json::Value ErrorEventLocked(const std::string& reason) const {
        Json::Value event = EventLocked("error");
        event["reason"] = reason;
        return event;
    }

    // Makes a new source current: whatever played or was fetched before is dropped.
    void ResetLocked(std::string newSource) {
        generation.fetch_add(1);
        inMemory = false;
        source = std::move(newSource);
        voice.clear();
        bytes = 0;
        duration = 0;
        phase = Phase::Empty;
        playWanted = false;
        anchorPosition = 0;
        addressToFetch.reset();
        changed.notify_all();
    }

    void StartLocked() {
        if (anchorPosition >= duration)
            anchorPosition = 0;
        anchorTime = Clock::now();
        phase = Phase::Playing;
        changed.notify_all();
    }

    void TellFinished() {
        std::lock_guard<std::mutex> guard(listenerLock);
        if (!closed && listener.finished)
            listener.finished();
    }

    void TellFailed(const std::string& reason) {
        std::lock_guard<std::mutex> guard(listenerLock);
        if (!closed && listener.failed)
            listener.failed(reason);
    }

    void TellDuration(std::int64_t durationMs) {
        std::lock_guard<std::mutex> guard(listenerLock);
        if (!closed && listener.durationChanged)
            listener.durationChanged(durationMs);
    }
};

namespace {

void Emit(const std::vector<Json::Value>& events) {
    for (const Json::Value& event : events)
        EmitSimEvent(event);
}

struct FetchContext {
    FetchOutcome* outcome;
    const SimAudioPlayer::State* state;
    std::uint64_t generation;
};

size_t KeepHead(char* data, size_t size, size_t count, void* user) {
    auto* context = static_cast<FetchContext*>(user);
    const size_t bytes = size * count;
    FetchOutcome& outcome = *context->outcome;
    const qsizetype room = kWavHeadBytes - outcome.head.size();
    if (room > 0)
        outcome.head.append(data, std::min<qsizetype>(room, static_cast<qsizetype>(bytes)));
    outcome.total += static_cast<std::int64_t>(bytes);
    return bytes;
}

int AbortWhenDropped(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* context = static_cast<FetchContext*>(user);
    return context->state->closed || context->state->generation != context->generation ? 1 : 0;
}

// Reads the whole body (keeping only its head); the peer's certificate and name are verified.
FetchOutcome Fetch(const std::string& address, const SimAudioPlayer::State& state,
                   std::uint64_t generation) {
    FetchOutcome outcome;
    FetchContext context{&outcome, &state, generation};
    CURL* easy = curl_easy_init();
    if (easy == nullptr) {
        outcome.error = "no HTTP client";
        return outcome;
    }
    curl_easy_setopt(easy, CURLOPT_URL, address.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 3L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, 10L);
    // A server that stops sending is given up on, however long the sound.
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, 60L);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &KeepHead);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &context);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &AbortWhenDropped);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &context);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
    const CURLcode result = curl_easy_perform(easy);
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(easy);
    if (result != CURLE_OK)
        outcome.error = curl_easy_strerror(result);
    else if (status != 200)
        outcome.error = "HTTP status " + std::to_string(status);
    else
        outcome.ok = true;
    return outcome;
}

// Takes a fetched body as the current source; the lock is held.
void TakeFetchedLocked(SimAudioPlayer::State& state, const FetchOutcome& outcome,
                       std::vector<Json::Value>& events, std::optional<std::string>& failure) {
    const std::optional<std::int64_t> duration =
        outcome.ok ? WavDurationMs(outcome.head, outcome.total) : std::nullopt;
    state.bytes = outcome.total;
    if (!duration) {
        state.phase = Phase::Failed;
        state.playWanted = false;
        failure = outcome.ok ? std::string("not a WAV sound") : outcome.error;
        events.push_back(state.ErrorEventLocked(*failure));
        return;
    }
    state.duration = *duration;
    state.phase = Phase::Stopped;
    events.push_back(state.EventLocked("open"));
    if (state.playWanted) {
        state.playWanted = false;
        state.StartLocked();
        events.push_back(state.EventLocked("play"));
    }
}

// The player's thread: fetches addresses and ends the sound when the clock reaches its end.
void RunPlayerThread(const std::shared_ptr<SimAudioPlayer::State>& state) {
    std::unique_lock<std::mutex> lock(state->lock);
    while (!state->closed) {
        if (state->addressToFetch) {
            const std::string address = *state->addressToFetch;
            state->addressToFetch.reset();
            const std::uint64_t generation = state->generation;
            lock.unlock();
            const FetchOutcome outcome = Fetch(address, *state, generation);
            lock.lock();
            if (state->closed || generation != state->generation)
                continue;
            std::vector<Json::Value> events;
            std::optional<std::string> failure;
            TakeFetchedLocked(*state, outcome, events, failure);
            const std::int64_t duration = state->duration;
            lock.unlock();
            Emit(events);
            if (failure)
                state->TellFailed(*failure);
            else
                state->TellDuration(duration);
            lock.lock();
            continue;
        }
        if (state->phase != Phase::Playing) {
            state->changed.wait(lock);
            continue;
        }
        const Clock::time_point end = state->EndTimeLocked();
        if (Clock::now() < end) {
            state->changed.wait_until(lock, end);
            continue;
        }
        state->anchorPosition = state->duration;
        state->phase = Phase::Stopped;
        const Json::Value event = state->EventLocked("complete");
        lock.unlock();
        EmitSimEvent(event);
        state->TellFinished();
        lock.lock();
    }
}

} // namespace

SimAudioPlayer::SimAudioPlayer() : m_state(std::make_shared<State>()) {
    std::thread([state = m_state] { RunPlayerThread(state); }).detach();
}

SimAudioPlayer::~SimAudioPlayer() {
    {
        std::lock_guard<std::mutex> guard(m_state->lock);
        m_state->closed = true;
        m_state->changed.notify_all();
    }
    // Waits for a listener call in progress; none starts after this.
    std::lock_guard<std::mutex> guard(m_state->listenerLock);
    m_state->listener = Listener();
}

void SimAudioPlayer::SetListener(Listener listener) {
    std::lock_guard<std::mutex> guard(m_state->listenerLock);
    m_state->listener = std::move(listener);
}

bool SimAudioPlayer::OpenBytes(QByteArray bytes, PlaybackSource source) {
    if (bytes.isEmpty())
        return false;
    std::lock_guard<std::mutex> guard(m_state->lock);
    m_state->ResetLocked(std::move(source.origin));
    m_state->voice = std::move(source.voice);
    m_state->inMemory = true;
    m_state->bytes = bytes.size();
    m_state->phase = Phase::Stopped;
    return true;
}

bool SimAudioPlayer::OpenFile(const QString& path) {
    QFile file(path);
    QByteArray head;
    std::int64_t size = 0;
    if (file.open(QIODevice::ReadOnly)) {
        size = file.size();
        head = file.read(kWavHeadBytes);
    }
    const std::optional<std::int64_t> duration = WavDurationMs(head, size);
    Json::Value event;
    {
        std::lock_guard<std::mutex> guard(m_state->lock);
        m_state->ResetLocked(path.toStdString());
        m_state->bytes = size;
        if (!file.isOpen()) {
            m_state->phase = Phase::Failed;
            event = m_state->ErrorEventLocked("cannot read the file");
        } else if (!duration) {
            m_state->phase = Phase::Failed;
            event = m_state->ErrorEventLocked("not a WAV sound");
        } else {
            m_state->duration = *duration;
            m_state->phase = Phase::Stopped;
            event = m_state->EventLocked("open");
        }
    }
    EmitSimEvent(event);
    return duration.has_value();
}

bool SimAudioPlayer::OpenUrl(const QString& address) {
    std::lock_guard<std::mutex> guard(m_state->lock);
    m_state->ResetLocked(address.toStdString());
    if (!IsHttpAddress(address)) {
        m_state->phase = Phase::Failed;
        EmitSimEvent(m_state->ErrorEventLocked("not an http or https address"));
        return false;
    }
    m_state->phase = Phase::Loading;
    m_state->addressToFetch = address.toStdString();
    m_state->changed.notify_all();
    return true;
}

void SimAudioPlayer::Play() {
    std::vector<Json::Value> events;
    bool finishedAtOnce = false;
    {
        std::lock_guard<std::mutex> guard(m_state->lock);
        State& s = *m_state;
        if (s.inMemory) {
            events.push_back(s.EventLocked("play"));
            events.push_back(s.EventLocked("complete"));
            finishedAtOnce = true;
        } else if (s.phase == Phase::Loading) {
            s.playWanted = true;
        } else if (s.phase == Phase::Stopped || s.phase == Phase::Paused) {
            s.StartLocked();
            events.push_back(s.EventLocked("play"));
        }
    }
    Emit(events);
    if (finishedAtOnce)
        m_state->TellFinished();
}

void SimAudioPlayer::Pause() {
    std::lock_guard<std::mutex> guard(m_state->lock);
    State& s = *m_state;
    if (s.phase == Phase::Empty)
        return;
    s.playWanted = false;
    if (s.phase == Phase::Playing) {
        s.ReanchorLocked(Clock::now());
        s.phase = Phase::Paused;
        s.changed.notify_all();
    }
    EmitSimEvent(s.EventLocked("pause"));
}

void SimAudioPlayer::Stop() {
    std::lock_guard<std::mutex> guard(m_state->lock);
    State& s = *m_state;
    if (s.phase == Phase::Empty)
        return;
    s.playWanted = false;
    if (s.phase == Phase::Playing || s.phase == Phase::Paused)
        s.phase = Phase::Stopped;
    s.anchorPosition = 0;
    s.changed.notify_all();
    EmitSimEvent(s.EventLocked("stop"));
}

void SimAudioPlayer::Seek(std::int64_t positionMs) {
    std::lock_guard<std::mutex> guard(m_state->lock);
    State& s = *m_state;
    if (s.phase == Phase::Empty)
        return;
    std::int64_t position = std::max<std::int64_t>(0, positionMs);
    if (!s.inMemory)
        position = std::min(position, s.duration);
    s.anchorPosition = position;
    s.anchorTime = Clock::now();
    s.changed.notify_all();
    EmitSimEvent(s.EventLocked("seek"));
}

void SimAudioPlayer::SetRate(double rate) {
    if (!std::isfinite(rate) || rate <= 0.0)
        return;
    std::lock_guard<std::mutex> guard(m_state->lock);
    State& s = *m_state;
    s.ReanchorLocked(Clock::now());
    s.rate = rate;
    s.changed.notify_all();
    EmitSimEvent(s.EventLocked("rate"));
}

std::int64_t SimAudioPlayer::PositionMs() const {
    std::lock_guard<std::mutex> guard(m_state->lock);
    return m_state->PositionLocked(Clock::now());
}

std::int64_t SimAudioPlayer::DurationMs() const {
    std::lock_guard<std::mutex> guard(m_state->lock);
    return m_state->duration;
}

} // namespace platform::sim
