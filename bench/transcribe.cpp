// The recording transcriber on its two paths: a 10-minute recording (speech and quiet room
// noise in turn) transcribed offline by the local recogniser, as a multiple of real time; and
// a 60-second recording sent to a local fake of the dictation service over TLS, as a multiple
// of the audio's length (real-time pacing plus the final result).
//   bench_transcribe [--offline-seconds N] [--vendor-seconds N]

#include "speech/CXfEngineWeb.h"
#include "speech/TranscriberSettings.h"
#include "speech_ws/FakeXfServer.h"
#include "speech_ws/TestCertificates.h"

#include <json/json.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>

using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kBytesPerSecond = 32000;
const char kGoForward[] = "/usr/share/pocketsphinx/test/data/goforward.raw";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string RoomNoise(int ms) {
    std::string bytes;
    std::uint32_t state = 12345;
    for (int i = 0; i < ms * 16; ++i) {
        state = state * 1103515245u + 12345u;
        const auto sample = static_cast<std::int16_t>(int((state >> 16) % 9) - 4);
        bytes.push_back(static_cast<char>(sample & 0xFF));
        bytes.push_back(static_cast<char>((static_cast<std::uint16_t>(sample) >> 8) & 0xFF));
    }
    return bytes;
}

// Speech, then two seconds of room, again and again up to the length asked for.
std::string Recording(int seconds) {
    const std::string speech = ReadFile(kGoForward);
    const std::string pause = RoomNoise(2000);
    const std::size_t size = static_cast<std::size_t>(seconds) * kBytesPerSecond;
    std::string pcm;
    while (pcm.size() < size)
        pcm += speech + pause;
    pcm.resize(size);
    return pcm;
}

struct Outcome {
    bool finished = false;
    bool failed = true;
    int lastPercent = -1;
    int progressReports = 0;
    double seconds = 0;
};

// Runs one transcription to its end and times it from the begin to the finished report.
Outcome Transcribe(TranscriberSettings settings, const std::string& pcm, const std::string& txt,
                   const std::string& language) {
    std::mutex lock;
    std::condition_variable changed;
    Outcome outcome;
    CXfEngineWeb engine(nullptr, nullptr, std::move(settings));
    CXfEngineWeb::Listener listener;
    listener.finished = [&](bool failed) {
        {
            std::lock_guard<std::mutex> guard(lock);
            outcome.finished = true;
            outcome.failed = failed;
        }
        changed.notify_all();
    };
    listener.progress = [&](int percent) {
        std::lock_guard<std::mutex> guard(lock);
        outcome.lastPercent = percent;
        ++outcome.progressReports;
    };
    engine.SetListener(listener);
    engine.Start();
    engine.SetJob({pcm, txt, language});
    const auto started = Clock::now();
    engine.BeginRecognize();
    std::unique_lock<std::mutex> guard(lock);
    changed.wait_for(guard, std::chrono::hours(1), [&] { return outcome.finished; });
    outcome.seconds = std::chrono::duration<double>(Clock::now() - started).count();
    return outcome;
}

int Offline(const std::string& folder, int seconds) {
    const std::string pcm = folder + "/offline.pcm";
    const std::string txt = folder + "/offline.txt";
    WriteFile(pcm, Recording(seconds));
    const Outcome outcome = Transcribe(TranscriberSettings(), pcm, txt, "en_us");
    const std::string text = ReadFile(txt);
    std::printf("offline  %4d s of audio: %7.2f s, %6.2f x real time (target >= 5), "
                "%s, %zu bytes of text, %d progress reports ending %d%%\n",
                seconds, outcome.seconds, seconds / outcome.seconds,
                outcome.failed ? "FAILED" : "done", text.size(), outcome.progressReports,
                outcome.lastPercent);
    return outcome.failed ? 1 : 0;
}

int Vendor(const std::string& folder, int seconds) {
    const TestCertificates& certs = TestCertificates::Get();
    if (!certs.ok) {
        std::printf("vendor: no test certificates (openssl)\n");
        return 1;
    }
    FakeXfServer server(
        certs.serverCert, certs.serverKey, [](FakeXfServer& s, const std::string& frame) {
            Json::Value sent;
            std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
            if (!reader->parse(frame.data(), frame.data() + frame.size(), &sent, nullptr) ||
                sent["data"]["status"].asInt() != 2)
                return;
            Json::Value root;
            root["data"]["status"] = 2;
            root["data"]["result"]["ws"][0]["cw"][0]["w"] = "done";
            s.Reply(Json::writeString(Json::StreamWriterBuilder(), root));
        });
    const std::string pcm = folder + "/vendor.pcm";
    const std::string txt = folder + "/vendor.txt";
    WriteFile(pcm, Recording(seconds));
    TranscriberSettings settings;
    settings.stream.address = server.Address();
    settings.stream.appId = "5f3a9c1e";
    settings.stream.apiKey = "0123456789abcdef0123456789abcdef";
    settings.stream.apiSecret = "fedcba9876543210fedcba9876543210";
    settings.stream.caFile = certs.caFile;
    const Outcome outcome = Transcribe(settings, pcm, txt, "zh_cn");
    std::printf("vendor   %4d s of audio: %7.2f s, %6.3f x the audio's length (target "
                "1.00-1.05), %s, %zu frames\n",
                seconds, outcome.seconds, outcome.seconds / seconds,
                outcome.failed ? "FAILED" : "done", server.Frames().size());
    return outcome.failed ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    int offlineSeconds = 600;
    int vendorSeconds = 60;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--offline-seconds") == 0)
            offlineSeconds = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--vendor-seconds") == 0)
            vendorSeconds = std::atoi(argv[i + 1]);
    }
    char pattern[] = "/tmp/velmora-bench-transcribe-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        return 1;
    const std::string folder = pattern;
    // An empty program home: English comes from Debian's model.
    setenv("VELMORA_HOME", folder.c_str(), 1);
    int failures = 0;
    if (offlineSeconds > 0)
        failures += Offline(folder, offlineSeconds);
    if (vendorSeconds > 0)
        failures += Vendor(folder, vendorSeconds);
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    return failures == 0 ? 0 : 1;
}
