#pragma once

#include "device/CDeviceCatalogue.h"
#include "device/DeviceEffect.h"
#include "device/DeviceMessages.h"
#include "device/DeviceState.h"
#include "platform/IHidTransport.h"

#include <memory>
#include <mutex>

class CConfig;

// What the reading threads, the discovery and the output reports work with. Shared through a
// shared_ptr, so a detached thread keeps it alive after its owner is gone.
class DeviceContext {
public:
    DeviceContext(std::shared_ptr<CConfig> config,
                  std::shared_ptr<platform::IHidTransport> transport);

    CConfig& Config() const { return *m_config; }
    DeviceState& State() { return m_state; }
    const CDeviceCatalogue& Catalogue() const { return m_catalogue; }
    platform::IHidTransport& Transport() const { return *m_transport; }

    // The main window binds the poster; messages posted while none is bound are dropped.
    void SetPoster(MessagePoster poster);
    void Post(unsigned msg, uintptr_t wParam, intptr_t lParam = 0) const;
    // Carries out the effects of one report in their order.
    void Apply(const DeviceEffects& effects) const;

    // How long one read waits before the reading thread looks at its stop flag again.
    int ReadTimeoutMs() const { return m_readTimeoutMs; }
    void SetReadTimeoutMs(int ms) { m_readTimeoutMs = ms; }

private:
    std::shared_ptr<CConfig> m_config;
    std::shared_ptr<platform::IHidTransport> m_transport;
    DeviceState m_state;
    const CDeviceCatalogue m_catalogue;
    mutable std::mutex m_posterLock;
    MessagePoster m_poster;
    int m_readTimeoutMs = 100;
};
