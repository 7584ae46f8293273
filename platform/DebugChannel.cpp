#include "platform/DebugChannel.h"

#include "platform/SimEvents.h"

#include <cstdio>
#include <mutex>

#include <QtGlobal>

namespace platform {

namespace {
bool DebugToStderr() {
    static const bool enabled = qEnvironmentVariable("VELMORA_DEBUG") == QLatin1String("1");
    return enabled;
}
} // namespace

void OutputDebug(const QString& text) {
    if (DebugToStderr()) {
        static std::mutex lock;
        std::lock_guard<std::mutex> guard(lock);
        QByteArray line = text.toUtf8();
        if (!line.endsWith('\n'))
            line += '\n';
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
        std::fflush(stderr);
    }
    if (SimulatorActive()) {
        Json::Value event;
        event["kind"] = "debug";
        event["text"] = text.toStdString();
        EmitSimEvent(event);
    }
}

} // namespace platform
