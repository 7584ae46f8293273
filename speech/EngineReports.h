#pragma once

#include <QString>

class IIatCallBack;

// What the streaming engines make known of their streams: the simulator's `engine` events,
// and for a failure one log line and the owner's OnReserved1. Nothing here is ever given an
// address, a credential, a token or a sign.
namespace enginereport {

// engine is "sg" or "sh".
void StreamOpened(const char* engine);
void StreamClosed(const char* engine);

struct Failure {
    int reason = 0; // IIatCallBack::kFailure...
    int status = 0; // HTTP status or vendor code, else 0
    QString step;   // "token request", "stream connection", ...
    QString detail; // "HTTP 401", "no reply", "sg_appkey missing"...
};

// "recognition ENGINE: STEP REASON (DETAIL)" to the log and the failed `engine` event; then
// (reason, 0) to owner, when there is one (failures while the engine starts are only logged).
void Report(const char* engine, const Failure& failure, IIatCallBack* owner);

// The reason's word in the log line and the event: "unreachable", "refused", "unconfigured".
const char* ReasonName(int reason);
// A failed HTTP exchange or upgrade: 401 and 403 are refusals, anything else unreachable.
Failure FromHttpStatus(const QString& step, long status);

} // namespace enginereport
