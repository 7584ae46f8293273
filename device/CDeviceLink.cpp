#include "device/CDeviceLink.h"

#include "device/CDeviceDiscovery.h"
#include "device/MouseCommands.h"
#include "device/ReadingThreads.h"

#include <thread>

CDeviceLink::CDeviceLink(std::shared_ptr<CConfig> config,
                         std::shared_ptr<platform::IHidTransport> transport,
                         std::unique_ptr<platform::IDeviceMonitor> monitor)
    : m_context(std::make_shared<DeviceContext>(
          std::move(config), transport ? std::move(transport) : platform::CreateHidTransport())),
      m_monitor(monitor ? std::move(monitor) : platform::CreateDeviceMonitor()) {}

CDeviceLink::~CDeviceLink() {
    StopWatching();
    StopReadingThread(kDeviceMouse);
    StopReadingThread(kDevicePen);
}

void CDeviceLink::ScanPresentDevices() {
    CDeviceDiscovery(*m_context).ScanPresentDevices(m_monitor->EnumeratePresentDevices());
}

bool CDeviceLink::StartWatching() {
    std::shared_ptr<DeviceContext> context = m_context;
    return m_monitor->Start([context](const platform::DeviceChange& change) {
        CDeviceDiscovery(*context).HandleDeviceChange(change);
    });
}

void CDeviceLink::StopWatching() {
    m_monitor->Stop();
}

void CDeviceLink::StartReadingThread(int kind) {
    ::StartReadingThread(m_context, kind);
}

void CDeviceLink::StopReadingThread(int kind) {
    ::StopReadingThread(*m_context, kind);
}

bool CDeviceLink::SendDpiToMouse(const QString& dpi) {
    return ::SendDpiToMouse(*m_context, dpi);
}

void CDeviceLink::SendDpiToMouseDetached(const QString& dpi) {
    std::thread([context = m_context, dpi] { ::SendDpiToMouse(*context, dpi); }).detach();
}

bool CDeviceLink::SendWebKeyToMouse() {
    return ::SendWebKeyToMouse(*m_context);
}

bool CDeviceLink::SendEndOfVoiceState() {
    return ::SendEndOfVoiceState(*m_context);
}

bool CDeviceLink::SendCtrlVByMouse() {
    return ::SendCtrlVByMouse(*m_context);
}
