#include "device/DeviceContext.h"

#include "app/CConfig.h"

DeviceContext::DeviceContext(std::shared_ptr<CConfig> config,
                             std::shared_ptr<platform::IHidTransport> transport)
    : m_config(std::move(config)), m_transport(std::move(transport)) {}

void DeviceContext::SetPoster(MessagePoster poster) {
    std::lock_guard<std::mutex> guard(m_posterLock);
    m_poster = std::move(poster);
}

void DeviceContext::Post(unsigned msg, uintptr_t wParam, intptr_t lParam) const {
    MessagePoster poster;
    {
        std::lock_guard<std::mutex> guard(m_posterLock);
        poster = m_poster;
    }
    if (poster)
        poster(msg, wParam, lParam);
}

void DeviceContext::Apply(const DeviceEffects& effects) const {
    for (const DeviceEffect& effect : effects) {
        if (effect.type == DeviceEffect::Type::Store)
            m_config->Set(effect.key, effect.value);
        else
            Post(effect.msg, effect.wParam, 0);
    }
}
