#include "speech/sdk/DecoderCache.h"

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
    for (auto& loader : loaders_)
        loader.join();
}

void DecoderCache::Preload(const ModelFiles& model) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (loading_.count(model.folder) != 0 || !idle_[model.folder].empty())
        return;
    loading_.insert(model.folder);
    loaders_.emplace_back(&DecoderCache::LoadInBackground, this, model);
}

void DecoderCache::LoadInBackground(ModelFiles model) {
    DecoderPtr decoder = Load(model);
    std::lock_guard<std::mutex> lock(mutex_);
    if (decoder)
        idle_[model.folder].push_back(std::move(decoder));
    loading_.erase(model.folder);
    loaded_.notify_all();
}

DecoderPtr DecoderCache::Acquire(const ModelFiles& model) {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        loaded_.wait(lock, [&] { return loading_.count(model.folder) == 0; });
        auto& idle = idle_[model.folder];
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
    std::lock_guard<std::mutex> lock(mutex_);
    idle_[model.folder].push_back(std::move(decoder));
}

DecoderPtr DecoderCache::Load(const ModelFiles& model) {
    SilenceSphinxLogging();
    std::lock_guard<std::mutex> lock(loadMutex_);
    cmd_ln_t* config =
        cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", model.acousticModel.c_str(), "-lm",
                    model.languageModel.c_str(), "-dict", model.dictionary.c_str(), nullptr);
    if (config == nullptr)
        return nullptr;
    DecoderPtr decoder(ps_init(config));
    cmd_ln_free_r(config);
    return decoder;
}

} // namespace speechsdk
