#include "device/ReadingThreads.h"

#include "app/CConfig.h"
#include "device/CMouseReportDecoder.h"
#include "device/CPenReportDecoder.h"
#include "device/DeviceContext.h"
#include "device/DeviceOpen.h"
#include "device/MouseReport.h"
#include "platform/DebugChannel.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <thread>

using namespace mousereport;

namespace {

constexpr auto kPacing = std::chrono::milliseconds(6);
// A device that keeps failing (unplugged, waiting for its stop flag) is retried less and
// less often, so a dead handle never keeps a core busy.
constexpr auto kLongestRetry = std::chrono::milliseconds(200);

class RetryPacer {
public:
    void Failed() {
        std::this_thread::sleep_for(m_wait);
        m_wait = std::min(m_wait * 2, std::chrono::milliseconds(kLongestRetry));
    }
    void Succeeded() { m_wait = kPacing; }

private:
    std::chrono::milliseconds m_wait{kPacing};
};

bool KeepsRunning(const std::atomic<bool>& stop, const std::atomic<uint32_t>& current,
                  uint32_t run) {
    return !stop && current == run;
}

// Reads one report into a cleared buffer whose first byte is the report id; the result is
// the hidapi-style count.
int ReadReport(platform::IHidDevice& device, std::array<uint8_t, kReadBufferSize>& buffer,
               int timeoutMs) {
    buffer.fill(0);
    buffer[0] = kReportId;
    return device.Read(buffer.data(), kReportSize, timeoutMs);
}

// A thread that ended by itself (no device) must read as not running, or it would never be
// started again; a successor's run is left alone.
void MarkEnded(std::atomic<bool>& stop, const std::atomic<uint32_t>& current, uint32_t run) {
    if (current == run)
        stop = true;
}

// Reads reports until the thread is told to stop, handing each vendor report to the handler and
// keeping the pace the devices expect between reports. The interface's other reports are not
// ours and cost no pause.
template <class HandleReport>
void ReadReports(platform::IHidDevice& device, const DeviceContext& context,
                 const std::atomic<bool>& stop, const std::atomic<uint32_t>& current, uint32_t run,
                 HandleReport handle) {
    std::array<uint8_t, kReadBufferSize> buffer{};
    RetryPacer retry;
    while (KeepsRunning(stop, current, run)) {
        const int n = ReadReport(device, buffer, context.ReadTimeoutMs());
        if (n < 0) {
            retry.Failed();
            continue;
        }
        retry.Succeeded();
        if (!IsVendorReport(buffer.data(), static_cast<size_t>(n)))
            continue;
        handle(buffer.data(), static_cast<size_t>(n));
        std::this_thread::sleep_for(kPacing);
    }
}

} // namespace

unsigned MouseProc(std::shared_ptr<DeviceContext> context, uint32_t run) {
    platform::OutputDebug(QStringLiteral("Enter MouseProc...\n"));
    DeviceState& state = context->State();
    bool secondLayout = false;
    auto device = OpenMouse(*context, &secondLayout);
    state.mouseLastKey = 0;
    CMouseReportDecoder decoder(secondLayout, state.mouseLastKey);
    if (device) {
        ReadReports(*device, *context, state.mouseStop, state.mouseRun, run,
                    [&](const uint8_t* report, size_t length) {
                        context->Apply(decoder.Decode(report, length));
                    });
    }
    platform::OutputDebug(QStringLiteral("Leave MouseProc...\n"));
    return 0;
}

unsigned BTMouseProc(std::shared_ptr<DeviceContext> context) {
    platform::OutputDebug(QStringLiteral("Enter BTMouseProc...\n"));
    platform::OutputDebug(QStringLiteral("Leave BTMouseProc...\n"));
    return 0;
}

unsigned LpProcProc(std::shared_ptr<DeviceContext> context, uint32_t run) {
    platform::OutputDebug(QStringLiteral("Enter LpProcProc...\n"));
    DeviceState& state = context->State();
    auto device = OpenPen(*context);
    CPenReportDecoder decoder;
    if (device) {
        context->Config().Set(ConfigKey::Type, QStringLiteral("v6"));
        context->Post(devmsg::kGeneration, 0);
    }
    if (device) {
        ReadReports(*device, *context, state.penStop, state.penRun, run,
                    [&](const uint8_t* report, size_t length) {
                        const bool recordingOn =
                            context->Config().GetLpSave() == QLatin1String("on");
                        context->Apply(decoder.Decode(report, length, recordingOn));
                    });
    }
    platform::OutputDebug(QStringLiteral("Leave LpProcProc...\n"));
    return 0;
}

void StartReadingThread(const std::shared_ptr<DeviceContext>& context, int kind) {
    DeviceState& state = context->State();
    if (kind == kDeviceMouse) {
        const uint32_t run = ++state.mouseRun;
        state.mouseStop = false;
        const bool bluetooth = state.bluetoothMouse;
        std::thread([context, run, bluetooth] {
            if (bluetooth)
                BTMouseProc(context);
            else
                MouseProc(context, run);
            MarkEnded(context->State().mouseStop, context->State().mouseRun, run);
        }).detach();
    } else if (kind == kDevicePen) {
        const uint32_t run = ++state.penRun;
        state.penStop = false;
        std::thread([context, run] {
            LpProcProc(context, run);
            MarkEnded(context->State().penStop, context->State().penRun, run);
        }).detach();
    }
}

void StopReadingThread(DeviceContext& context, int kind) {
    if (kind == kDeviceMouse)
        context.State().mouseStop = true;
    else if (kind == kDevicePen)
        context.State().penStop = true;
}
