#pragma once

#include "speech/sdk/ModelLocator.h"

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

struct ps_decoder_s;

namespace speechsdk {

struct DecoderFree {
    void operator()(ps_decoder_s* decoder) const;
};
using DecoderPtr = std::unique_ptr<ps_decoder_s, DecoderFree>;

// Keeps loaded decoders warm for the life of the process. Loading a model takes about a second,
// so a decoder is loaded once and handed from session to session; a second decoder of the same
// model is loaded only while two sessions run at once.
class DecoderCache {
public:
    static DecoderCache& Instance();

    ~DecoderCache();
    DecoderCache(const DecoderCache&) = delete;
    DecoderCache& operator=(const DecoderCache&) = delete;

    // Starts loading a decoder of the model in the background, unless one is loaded or loading.
    void Preload(const ModelFiles& model);

    // An idle decoder of the model, loading one when none is idle; null when the model cannot
    // be loaded. Waits for a background load of the same model instead of loading it twice.
    DecoderPtr Acquire(const ModelFiles& model);

    // Gives a decoder back for the next session.
    void Release(const ModelFiles& model, DecoderPtr decoder);

private:
    DecoderCache() = default;
    // Loads with the dictionary cut to the language model's words when it can be had.
    // Callers must not hold m_mutex.
    DecoderPtr Load(const ModelFiles& model);
    static DecoderPtr Init(const ModelFiles& model, const std::string& dictionary);
    void LoadInBackground(ModelFiles model);

    std::mutex m_mutex;
    std::condition_variable m_loaded;
    std::map<std::string, std::vector<DecoderPtr>> m_idle;
    std::set<std::string> m_loading;
    std::vector<std::thread> m_loaders;
    // PocketSphinx keeps global state while it reads a model; loads take turns.
    std::mutex m_loadMutex;
};

} // namespace speechsdk
