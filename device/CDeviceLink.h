#pragma once

#include "device/DeviceContext.h"
#include "platform/IDeviceMonitor.h"

#include <QString>

#include <memory>

class CConfig;

// The device link as the application object holds it: catalogue, presence and thread state,
// the start-up scan, hot-plug watching, the reading threads and the output reports to the
// mouse. Everything that outlives a call is shared with the threads, so destroying the link
// while a detached thread still runs is safe.
class CDeviceLink {
public:
    explicit CDeviceLink(std::shared_ptr<CConfig> config,
                         std::shared_ptr<platform::IHidTransport> transport = nullptr,
                         std::unique_ptr<platform::IDeviceMonitor> monitor = nullptr);
    ~CDeviceLink();
    CDeviceLink(const CDeviceLink&) = delete;
    CDeviceLink& operator=(const CDeviceLink&) = delete;

    const CDeviceCatalogue& Catalogue() const { return m_context->Catalogue(); }
    DeviceState& State() { return m_context->State(); }
    const std::shared_ptr<DeviceContext>& Context() const { return m_context; }

    // The main window's message queue; bind it before scanning, watching or starting threads.
    void SetPoster(MessagePoster poster) { m_context->SetPoster(std::move(poster)); }

    void ScanPresentDevices();
    // Hot-plug: arrival and removal messages posted from the watcher's thread.
    bool StartWatching();
    void StopWatching();

    void StartReadingThread(int kind);
    void StopReadingThread(int kind);
    // Speech ended: a key the mouse still reports as held starts a new session.
    void ResetMouseLastKey() { m_context->State().mouseLastKey = 0; }

    bool SendDpiToMouse(const QString& dpi);
    // The same on a detached thread, as the settings page asks for.
    void SendDpiToMouseDetached(const QString& dpi);
    bool SendWebKeyToMouse();
    bool SendEndOfVoiceState();
    bool SendCtrlVByMouse();

private:
    std::shared_ptr<DeviceContext> m_context;
    std::unique_ptr<platform::IDeviceMonitor> m_monitor;
};
