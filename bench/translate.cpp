// The translation engine against a local fake service: 1000 requests, at most 20 in flight.
// Prints how long Translate takes to return, the time from the call to OnTranslated, and how
// many answers were lost or wrong.
#include "BenchStats.h"
#include "support/LocalHttpServer.h"

#include "app/CConfig.h"
#include "translate/CTransEngine.h"
#include "translate/ITransCallBack.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include <curl/curl.h>

using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRequests = 1000;
constexpr int kInFlight = 20;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Tally {
    std::mutex lock;
    std::condition_variable changed;
    int inFlight = 0;
    int answered = 0;
    int wrong = 0;
    std::vector<double> latencies;
};

// One request's callback: the time it was asked and where its answer goes.
class Probe : public ITransCallBack {
public:
    Probe(Tally& tally, Clock::time_point asked) : m_tally(tally), m_asked(asked) {}
    void OnTranslated(const std::string& text) override {
        const double latency = Ms(Clock::now() - m_asked);
        std::lock_guard<std::mutex> guard(m_tally.lock);
        m_tally.latencies.push_back(latency);
        ++m_tally.answered;
        if (text != "bench")
            ++m_tally.wrong;
        --m_tally.inFlight;
        m_tally.changed.notify_all();
    }
    void OnSpeakEnd() override {}

private:
    Tally& m_tally;
    Clock::time_point m_asked;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    curl_global_init(CURL_GLOBAL_ALL);
    QTemporaryDir home;
    auto config = std::make_shared<CConfig>(home.path() + QLatin1Char('/'));
    // A service answers its clients side by side: one serving thread per request in flight.
    testsupport::LocalHttpServer server(
        testsupport::HttpReply(200, R"({"trans_result":[{"dst":"ben"},{"dst":"ch"}]})"),
        std::string(), std::string(), kInFlight);
    Endpoints endpoints;
    endpoints.translate = server.Origin();
    endpoints.transAppId = "20150630000000001";
    endpoints.transSalt = "1435660288";
    endpoints.transKey = "abcdefghij0123456789";

    Tally tally;
    std::vector<double> callTimes;
    std::vector<std::unique_ptr<Probe>> probes;
    std::vector<std::unique_ptr<CTransEngine>> engines;
    for (int i = 0; i < kRequests; ++i) {
        {
            std::unique_lock<std::mutex> lock(tally.lock);
            tally.changed.wait(lock, [&] { return tally.inFlight < kInFlight; });
            ++tally.inFlight;
        }
        CTransEngine::Context context;
        context.config = config;
        context.endpoints = endpoints;
        const Clock::time_point asked = Clock::now();
        probes.push_back(std::make_unique<Probe>(tally, asked));
        engines.push_back(std::make_unique<CTransEngine>(probes.back().get(), context));
        const Clock::time_point before = Clock::now();
        engines.back()->Translate("text number " + std::to_string(i));
        callTimes.push_back(Ms(Clock::now() - before));
    }
    {
        std::unique_lock<std::mutex> lock(tally.lock);
        tally.changed.wait_for(lock, std::chrono::seconds(60),
                               [&] { return tally.answered == kRequests; });
    }
    PrintFigures("Translate returns", callTimes);
    std::lock_guard<std::mutex> guard(tally.lock);
    PrintFigures("call -> OnTranslated", tally.latencies);
    std::printf("answered %d of %d, lost %d, wrong %d\n", tally.answered, kRequests,
                kRequests - tally.answered, tally.wrong);
    return tally.answered == kRequests && tally.wrong == 0 ? 0 : 1;
}
