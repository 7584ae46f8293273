#include "speech/CAudioEndpoints.h"

#include "platform/IAudioEndpointList.h"

CAudioEndpoints::CAudioEndpoints() : m_system(platform::CreateAudioEndpointList()) {}

CAudioEndpoints::~CAudioEndpoints() = default;

void CAudioEndpoints::Refresh() {
    std::vector<platform::AudioSourceInfo> sources;
    m_system->ListSources(sources);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_ids.clear();
    m_names.clear();
    for (const platform::AudioSourceInfo& source : sources) {
        m_ids.push_back(source.id);
        m_names.push_back(source.description);
    }
}

QStringList CAudioEndpoints::Names() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_names;
}

bool CAudioEndpoints::SelectByName(const QString& text) {
    std::string id;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (int i = 0; i < m_names.size(); ++i) {
            if (m_names[i].contains(text)) {
                id = m_ids[static_cast<std::size_t>(i)];
                break;
            }
        }
    }
    if (id.empty())
        return false;
    return m_system->SetDefaultSource(id) == 0;
}
