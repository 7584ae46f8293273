// The "sg" and "sh" streams against local fakes of their vendors, 100 sessions each: how long
// from the start of a session to the open connection (sg over TLS with its token held, sh
// plain), from a captured block to its frame at the vendor, and from the vendor's last
// message to the owner's OnResultString; then the CPU one streamed minute costs.

#include "TestPki.h"
#include "speech/CSgStream.h"
#include "speech/CShStream.h"
#include "speech/CWaveRecorder.h"
#include "speech/IIatCallBack.h"
#include "speech/SgFrames.h"
#include "speech/ThreadMessageQueue.h"
#include "speech_vendors/FakeStreamServer.h"

#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

constexpr int kSessions = 100;
constexpr int kBlocksPerMinute = 600;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

void Print(const char* engine, const char* what, std::vector<double> values) {
    if (values.empty()) {
        std::printf("%s %-32s no samples\n", engine, what);
        return;
    }
    std::sort(values.begin(), values.end());
    std::printf("%s %-32s median %7.2f ms  p95 %7.2f ms  (n=%zu)\n", engine, what,
                values[values.size() / 2], values[values.size() * 95 / 100], values.size());
}

// Stamps of one session, written by the fake's and the stream's threads.
struct Stamps {
    std::mutex lock;
    std::condition_variable changed;
    Clock::time_point opened, audioFrame, lastSent, lastDelivered;
    bool audioSeen = false;
    std::shared_ptr<ThreadMessageQueue> sender;

    template <class F> void Set(F&& f) {
        {
            std::lock_guard<std::mutex> guard(lock);
            f();
        }
        changed.notify_all();
    }
    template <class P> bool Wait(P&& p) {
        std::unique_lock<std::mutex> guard(lock);
        return changed.wait_for(guard, std::chrono::seconds(20), p);
    }
};

class StampingOwner : public IIatCallBack {
public:
    explicit StampingOwner(Stamps& stamps) : m_stamps(stamps) {}
    void OnSpeechEnd() override {}
    void OnResult(const char*, bool, std::string) override {}
    void OnResultString(const std::string& text, bool last, std::string) override {
        // sg types its final text, then ends with ""; sh gives its text with last set.
        if (!text.empty())
            m_stamps.Set([&] { m_stamps.lastDelivered = Clock::now(); });
        (void)last;
    }
    void OnReserved1(std::int32_t, std::int32_t) override {}
    void OnReserved2(std::int32_t, std::int32_t) override {}

private:
    Stamps& m_stamps;
};

void PostBlock(ThreadMessageQueue& queue) {
    ThreadMessage message;
    message.message = CWaveRecorder::kAudioDataMessage;
    message.data.assign(CWaveRecorder::kBlockBytes, 'a');
    queue.Post(std::move(message));
}

bool IsAudio(const std::string& frame) {
    return frame.find("\"content\"") != std::string::npos ||
           frame.find("\"audiobuffer\"") != std::string::npos;
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Figures {
    std::vector<double> open, block, result;
};

// One session: open, one block timed, two more, the end; the vendor's last message timed.
bool RunSession(CVendorStream& stream, Stamps& stamps, const std::string& address, Figures& out,
                int extraBlocks) {
    stamps.Set([&] {
        stamps.audioSeen = false;
        stamps.sender.reset();
        stamps.opened = stamps.lastSent = stamps.lastDelivered = {};
    });
    const Clock::time_point begin = Clock::now();
    if (!stream.Open(address, 0) ||
        !stamps.Wait([&] { return stamps.sender && stamps.opened != Clock::time_point(); }))
        return false;
    out.open.push_back(Ms(stamps.opened - begin));
    std::shared_ptr<ThreadMessageQueue> sender;
    stamps.Set([&] { sender = stamps.sender; });
    const Clock::time_point blockAt = Clock::now();
    PostBlock(*sender);
    if (!stamps.Wait([&] { return stamps.audioSeen; }))
        return false;
    out.block.push_back(Ms(stamps.audioFrame - blockAt));
    for (int i = 0; i < extraBlocks; ++i)
        PostBlock(*sender);
    sender->Post(CWaveRecorder::kAudioEndMessage);
    if (!stamps.Wait([&] { return stamps.lastDelivered != Clock::time_point(); }))
        return false;
    out.result.push_back(Ms(stamps.lastDelivered - stamps.lastSent));
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (stream.IsActive() && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    return !stream.IsActive();
}

FakeStreamServer::Options StampingServer(Stamps& stamps) {
    FakeStreamServer::Options options;
    options.onOpen = [&stamps](FakeStreamServer&) {
        stamps.Set([&] { stamps.opened = Clock::now(); });
    };
    return options;
}

void Report(const char* engine, const Figures& figures) {
    Print(engine, "session start -> open", figures.open);
    Print(engine, "block -> frame at the vendor", figures.block);
    Print(engine, "last message -> OnResultString", figures.result);
}

template <class MakeStream>
void Measure(const char* engine, FakeStreamServer::Options options, Stamps& stamps,
             const std::string& addressPath, MakeStream make) {
    auto script = options.script;
    options.script = [&stamps, script](FakeStreamServer& server, const std::string& frame) {
        if (IsAudio(frame))
            stamps.Set([&] {
                if (!stamps.audioSeen) {
                    stamps.audioSeen = true;
                    stamps.audioFrame = Clock::now();
                }
            });
        script(server, frame);
    };
    FakeStreamServer server(options);
    if (!server.Listening()) {
        std::printf("%s: the fake vendor cannot listen\n", engine);
        return;
    }
    const std::string address = server.Address(addressPath);
    auto stream = make();
    Figures figures;
    for (int i = 0; i < kSessions; ++i) {
        if (!RunSession(*stream, stamps, address, figures, 2)) {
            std::printf("%s: session %d did not complete\n", engine, i + 1);
            break;
        }
    }
    Report(engine, figures);
    Figures minute;
    const double cpuBefore = CpuSeconds();
    if (RunSession(*stream, stamps, address, minute, kBlocksPerMinute - 1))
        std::printf("%s %-32s %7.3f s (stream and fake vendor together)\n", engine,
                    "CPU per streamed minute", CpuSeconds() - cpuBefore);
    stream->Shutdown();
}

} // namespace

int main() {
    QTemporaryDir dir;
    const TestPki pki = TestPki::Create(dir.path().toStdString());
    if (pki.directory.empty()) {
        std::printf("openssl could not make the test certificates\n");
        return 1;
    }
    const auto attach = [](Stamps& stamps) {
        return [&stamps](std::shared_ptr<ThreadMessageQueue> queue) {
            stamps.Set([&] { stamps.sender = std::move(queue); });
        };
    };

    Stamps sg;
    FakeStreamServer::Options sgOptions = StampingServer(sg);
    sgOptions.certFile = pki.trustedCert;
    sgOptions.keyFile = pki.trustedKey;
    sgOptions.script = [&sg](FakeStreamServer& server, const std::string& frame) {
        if (frame != "null")
            return;
        sg.Set([&] { sg.lastSent = Clock::now(); });
        server.Reply(R"({"results":[{"alternatives":[{"transcript":"done"}],"is_final":true}]})");
        server.CloseConnection(1000);
    };
    Measure("sg", sgOptions, sg,
            std::string("/wss/asr/v1/streaming_recognize?Appid=a&Authorization=Bearer+t&Uuid=u"),
            [&] {
                return CSgStream::Create(pki.trustedCa, std::make_shared<StampingOwner>(sg),
                                         attach(sg), nullptr, std::chrono::seconds(10));
            });

    Stamps sh;
    FakeStreamServer::Options shOptions = StampingServer(sh);
    shOptions.script = [&sh](FakeStreamServer& server, const std::string& frame) {
        if (frame.find("\"cmd\" : 27") == std::string::npos)
            return;
        if (frame.find("\"state\" : 0") != std::string::npos) {
            server.Reply(R"({"cmd":27,"body":{"content":"{\"code\":8000,\"state\":0}"}})");
            return;
        }
        server.Reply(R"({"cmd":26,"body":{"content":"{\"code\":\"0\",\"isFinal\":true,)"
                     R"(\"completed\":\"0\",\"transcript\":\"done\"}"}})");
        sh.Set([&] { sh.lastSent = Clock::now(); });
        server.Reply(R"({"cmd":26,"body":{"content":"{\"code\":\"0\",\"isFinal\":false,)"
                     R"(\"completed\":\"1\",\"transcript\":\"\"}"}})");
    };
    Measure("sh", shOptions, sh, std::string(), [&] {
        auto stream = CShStream::Create(std::make_shared<StampingOwner>(sh), attach(sh), nullptr,
                                        std::chrono::seconds(10));
        ShStateFields fields;
        fields.appKey = "velmora.bench_key.abcdefghij";
        fields.secret = "secret";
        stream->SetStateFields(fields);
        return stream;
    });
    return 0;
}
