#pragma once

#include "platform/IHidTransport.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <vector>

// A scripted HID world for the device tests: collections with queued input reports, an
// unplug switch, and a record of every output report and read.
class FakeHidWorld : public platform::IHidTransport {
public:
    struct Collection {
        platform::HidDeviceInfo info;
        std::deque<std::vector<uint8_t>> reports;
        std::vector<std::vector<uint8_t>> outputs;
        bool unplugged = false;
        bool permissionDenied = false;
        int reads = 0;
        int opens = 0;
    };

    void Add(const std::string& path, int vid, int pid, int usagePage, int usage = 0) {
        std::lock_guard<std::mutex> guard(m_lock);
        Collection c;
        c.info.path = path;
        c.info.vendorId = vid;
        c.info.productId = pid;
        c.info.usagePage = usagePage;
        c.info.usage = usage;
        m_collections[path] = c;
    }
    void Queue(const std::string& path, std::vector<uint8_t> report) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_collections[path].reports.push_back(std::move(report));
        m_changed.notify_all();
    }
    void Unplug(const std::string& path) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_collections[path].unplugged = true;
        m_changed.notify_all();
    }
    void DenyPermission(const std::string& path) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_collections[path].permissionDenied = true;
    }
    Collection Snapshot(const std::string& path) {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_collections[path];
    }
    // Waits until ready(collection) holds, as reads and opens go on in other threads.
    template <class Ready>
    bool WaitUntil(const std::string& path, Ready ready, std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_changed.wait_for(guard, limit, [&] { return ready(m_collections[path]); });
    }
    // Waits until every queued report of the collection was read.
    bool Drained(const std::string& path, std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_changed.wait_for(guard, limit,
                                  [&] { return m_collections[path].reports.empty(); });
    }

    std::vector<platform::HidDeviceInfo> Enumerate(int vid, int pid) override {
        std::lock_guard<std::mutex> guard(m_lock);
        std::vector<platform::HidDeviceInfo> out;
        for (auto& [path, c] : m_collections) {
            if (!c.unplugged && (vid == 0 || c.info.vendorId == vid) &&
                (pid == 0 || c.info.productId == pid))
                out.push_back(c.info);
        }
        return out;
    }

    std::unique_ptr<platform::IHidDevice> OpenPath(const std::string& path,
                                                   platform::HidOpenError& error) override {
        std::lock_guard<std::mutex> guard(m_lock);
        auto it = m_collections.find(path);
        if (it == m_collections.end() || it->second.unplugged) {
            error = platform::HidOpenError::NotFound;
            return nullptr;
        }
        if (it->second.permissionDenied) {
            error = platform::HidOpenError::PermissionDenied;
            return nullptr;
        }
        ++it->second.opens;
        m_changed.notify_all();
        error = platform::HidOpenError::None;
        return std::make_unique<Handle>(*this, path);
    }

private:
    class Handle : public platform::IHidDevice {
    public:
        Handle(FakeHidWorld& world, std::string path) : m_world(world), m_path(std::move(path)) {}
        int Read(uint8_t* data, size_t length, int timeoutMs) override {
            std::unique_lock<std::mutex> guard(m_world.m_lock);
            Collection& c = m_world.m_collections[m_path];
            ++c.reads;
            m_world.m_changed.notify_all();
            m_world.m_changed.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                                       [&] { return c.unplugged || !c.reports.empty(); });
            if (c.unplugged)
                return -1;
            if (c.reports.empty())
                return 0;
            std::vector<uint8_t> report = std::move(c.reports.front());
            c.reports.pop_front();
            m_world.m_changed.notify_all();
            size_t n = std::min(length, report.size());
            std::memcpy(data, report.data(), n);
            return static_cast<int>(n);
        }
        int SendOutputReport(const uint8_t* data, size_t length) override {
            std::lock_guard<std::mutex> guard(m_world.m_lock);
            Collection& c = m_world.m_collections[m_path];
            if (c.unplugged)
                return -1;
            c.outputs.emplace_back(data, data + length);
            return static_cast<int>(length);
        }

    private:
        FakeHidWorld& m_world;
        std::string m_path;
    };

    std::mutex m_lock;
    std::condition_variable m_changed;
    std::map<std::string, Collection> m_collections;
};

// A 32-byte report 0x0A ... with the given bytes set.
inline std::vector<uint8_t> ReportWith(std::initializer_list<std::pair<size_t, uint8_t>> bytes) {
    std::vector<uint8_t> report(32, 0);
    report[0] = 0x0A;
    for (auto [at, value] : bytes)
        report[at] = value;
    return report;
}
