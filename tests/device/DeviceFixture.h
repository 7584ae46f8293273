#pragma once

#include "FakeHid.h"
#include "app/CConfig.h"
#include "device/DeviceContext.h"

#include <QTemporaryDir>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <ostream>
#include <thread>
#include <vector>

struct PostedMessage {
    unsigned msg;
    uintptr_t wParam;
    bool operator==(const PostedMessage& o) const { return msg == o.msg && wParam == o.wParam; }
};

inline std::ostream& operator<<(std::ostream& os, const PostedMessage& m) {
    return os << "{" << m.msg << "," << m.wParam << "}";
}

// A device context over a scripted HID world and a settings store in a temporary folder,
// recording what is posted to the main window.
class DeviceFixture {
public:
    static constexpr const char* kMousePath = "/dev/hidraw-mouse";
    static constexpr const char* kPenPath = "/dev/hidraw-pen";

    DeviceFixture()
        : world(std::make_shared<FakeHidWorld>()),
          config(std::make_shared<CConfig>(dir.path() + "/")),
          context(std::make_shared<DeviceContext>(config, world)) {
        context->SetReadTimeoutMs(20);
        context->SetPoster([this](unsigned msg, uintptr_t wParam, intptr_t) {
            std::lock_guard<std::mutex> guard(lock);
            posted.push_back({msg, wParam});
            changed.notify_all();
        });
    }

    std::vector<PostedMessage> Posted() {
        std::lock_guard<std::mutex> guard(lock);
        return posted;
    }

    // Waits until a message equal to last was posted.
    // The limit only guards against a hang.
    bool WaitFor(PostedMessage last, std::chrono::milliseconds limit = std::chrono::seconds(30)) {
        std::unique_lock<std::mutex> guard(lock);
        return changed.wait_for(guard, limit, [&] {
            for (const PostedMessage& m : posted)
                if (m == last)
                    return true;
            return false;
        });
    }

    QTemporaryDir dir;
    std::shared_ptr<FakeHidWorld> world;
    std::shared_ptr<CConfig> config;
    std::shared_ptr<DeviceContext> context;
    std::mutex lock;
    std::condition_variable changed;
    std::vector<PostedMessage> posted;
};
