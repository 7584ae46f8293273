#include "speech/EngineReports.h"

#include "app/Log.h"
#include "platform/SimEvents.h"
#include "speech/IIatCallBack.h"

#include <json/value.h>

namespace enginereport {

namespace {

void EmitState(const char* engine, const char* state) {
    Json::Value event;
    event["kind"] = "engine";
    event["engine"] = engine;
    event["state"] = state;
    platform::EmitSimEvent(event);
}

} // namespace

void StreamOpened(const char* engine) {
    EmitState(engine, "open");
}

void StreamClosed(const char* engine) {
    EmitState(engine, "closed");
}

const char* ReasonName(int reason) {
    switch (reason) {
    case IIatCallBack::kFailureUnreachable:
        return "unreachable";
    case IIatCallBack::kFailureRefused:
        return "refused";
    case IIatCallBack::kFailureUnconfigured:
        return "unconfigured";
    default:
        return "failed";
    }
}

Failure FromHttpStatus(const QString& step, long status) {
    Failure failure;
    failure.step = step;
    failure.status = static_cast<int>(status);
    failure.reason = status == 401 || status == 403 ? IIatCallBack::kFailureRefused
                                                    : IIatCallBack::kFailureUnreachable;
    failure.detail =
        status == 0 ? QStringLiteral("no reply") : QStringLiteral("HTTP %1").arg(status);
    return failure;
}

void Report(const char* engine, const Failure& failure, IIatCallBack* owner) {
    applog::Warning(QStringLiteral("recognition %1: %2 %3 (%4)")
                        .arg(QLatin1String(engine), failure.step,
                             QLatin1String(ReasonName(failure.reason)), failure.detail));
    if (!owner)
        return;
    Json::Value event;
    event["kind"] = "engine";
    event["engine"] = engine;
    event["state"] = "failed";
    event["reason"] = ReasonName(failure.reason);
    event["status"] = failure.status;
    platform::EmitSimEvent(event);
    owner->OnReserved1(failure.reason, 0);
}

} // namespace enginereport
