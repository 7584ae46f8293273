#include "SimUiTestSupport.h"

#include <QCoreApplication>

#include <json/reader.h>

#include <future>
#include <sstream>
#include <thread>

ToolRun RunTool(const std::string& args) {
    auto run = std::async(std::launch::async, [args] {
        ToolRun result;
        result.code = SimWorldProcess::Run(args + " 2>&1", &result.output);
        return result;
    });
    SpinUntil(
        [&run] { return run.wait_for(std::chrono::milliseconds(2)) == std::future_status::ready; });
    return run.get();
}

bool SpinUntil(const std::function<bool()>& done, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        QCoreApplication::processEvents();
        if (done())
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::vector<Json::Value> EventsOfKind(int64_t seq, const std::string& kind) {
    std::vector<Json::Value> found;
    for (const Json::Value& event : SimWorldProcess::EventsAfter(seq)) {
        if (event["kind"].asString() == kind)
            found.push_back(event);
    }
    return found;
}

bool WaitForEvent(int64_t seq, const std::function<bool(const Json::Value&)>& match,
                  Json::Value* found) {
    return SpinUntil([&] {
        for (const Json::Value& event : SimWorldProcess::EventsAfter(seq)) {
            if (match(event)) {
                if (found)
                    *found = event;
                return true;
            }
        }
        return false;
    });
}

Json::Value ParseJson(const std::string& text) {
    Json::Value value;
    std::istringstream in(text);
    Json::CharReaderBuilder builder;
    std::string errors;
    if (!Json::parseFromStream(builder, in, &value, &errors) || !value.isObject())
        return Json::Value();
    return value;
}
