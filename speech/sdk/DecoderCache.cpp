#include "speech/sdk/DecoderCache.h"

#include "speech/sdk/PrunedDictionary.h"

#include <pocketsphinx.h>
#include <sphinxbase/err.h>

namespace speechsdk {
namespace {

void SilenceSphinxLogging() {
    static std::once_flag once;
    std::call_once(once, [] { err_set_logfp(nullptr); });
}

} // namespace

void DecoderFree::operator()(ps_decoder_s* decoder) const {
    ps_free(decoder);
}

DecoderCache& DecoderCache::Instance() {
    static DecoderCache cache;
    return cache;
}

DecoderCache::~DecoderCache() {
    for (auto& loader : m_loaders)
        loader.join();
}

void DecoderCache::Preload(const ModelFiles& model) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_loading.count(model.folder) != 0 || !m_idle[model.folder].empty())
        return;
    m_loading.insert(model.folder);
    m_loaders.emplace_back(&DecoderCache::LoadInBackground, this, model);
}

void DecoderCache::LoadInBackground(ModelFiles model) {
    DecoderPtr decoder = Load(model);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (decoder)
        m_idle[model.folder].push_back(std::move(decoder));
    m_loading.erase(model.folder);
    m_loaded.notify_all();
}

DecoderPtr DecoderCache::Acquire(const ModelFiles& model) {
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_loaded.wait(lock, [&] { return m_loading.count(model.folder) == 0; });
        auto& idle = m_idle[model.folder];
        if (!idle.empty()) {
            DecoderPtr decoder = std::move(idle.back());
            idle.pop_back();
            return decoder;
        }
    }
    return Load(model);
}

void DecoderCache::Release(const ModelFiles& model, DecoderPtr decoder) {
    if (!decoder)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_idle[model.folder].push_back(std::move(decoder));
}

DecoderPtr DecoderCache::Load(const ModelFiles& model) {
    SilenceSphinxLogging();
    std::lock_guard<std::mutex> lock(m_loadMutex);
    // The cut dictionary gives the same results from far less memory; a copy the decoder
    // cannot read is thrown away (and made again next time), and the whole one loaded instead.
    const PrunedDictionary pruned(PrunedDictionary::ProgramCacheFolder());
    const std::string cut = pruned.PathFor(model);
    if (!cut.empty()) {
        if (DecoderPtr decoder = Init(model, cut))
            return decoder;
        pruned.Discard(model);
    }
    return Init(model, model.dictionary);
}

DecoderPtr DecoderCache::Init(const ModelFiles& model, const std::string& dictionary) {
    cmd_ln_t* config =
        cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", model.acousticModel.c_str(), "-lm",
                    model.languageModel.c_str(), "-dict", dictionary.c_str(), nullptr);
    if (config == nullptr)
        return nullptr;
    DecoderPtr decoder(ps_init(config));
    cmd_ln_free_r(config);
    return decoder;
}

} // namespace speechsdk
