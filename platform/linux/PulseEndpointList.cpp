#include "platform/linux/PulseEndpointList.h"

#include "platform/linux/PulseConnection.h"

#include <pulse/introspect.h>

namespace platform::linux_audio {

namespace {

void CollectSource(pa_context*, const pa_source_info* info, int eol, void* list) {
    // Monitors replay what an output plays; only real inputs can be a microphone.
    if (eol != 0 || !info || info->monitor_of_sink != PA_INVALID_INDEX)
        return;
    AudioSourceInfo source;
    source.id = info->name ? info->name : "";
    source.description = QString::fromUtf8(info->description ? info->description : info->name);
    static_cast<std::vector<AudioSourceInfo>*>(list)->push_back(std::move(source));
}

void CheckSuccess(pa_context*, int success, void* result) {
    *static_cast<bool*>(result) = success != 0;
}

} // namespace

int PulseEndpointList::ListSources(std::vector<AudioSourceInfo>& sources) {
    PulseConnection connection;
    const int result = connection.Connect("Velmora sources");
    if (result != 0)
        return result;
    std::vector<AudioSourceInfo> found;
    bool completed = false;
    {
        PulseConnection::Locker lock(connection);
        completed = connection.WaitFor(
            pa_context_get_source_info_list(connection.Context(), &CollectSource, &found));
    }
    sources.insert(sources.end(), found.begin(), found.end());
    return completed ? 0 : connection.LastError();
}

int PulseEndpointList::SetDefaultSource(const std::string& id) {
    PulseConnection connection;
    const int result = connection.Connect("Velmora sources");
    if (result != 0)
        return result;
    bool accepted = false;
    PulseConnection::Locker lock(connection);
    const bool completed = connection.WaitFor(
        pa_context_set_default_source(connection.Context(), id.c_str(), &CheckSuccess, &accepted));
    if (!completed)
        return connection.LastError();
    return accepted ? 0 : -PA_ERR_NOENTITY;
}

} // namespace platform::linux_audio
