// A recording pen's Opus file of one hour (180 000 packets of 40 bytes) to PCM and WAV, as a
// scan converts it: the time of each run and the speed as a multiple of real time, by the wall
// clock and by the thread's CPU time (one core). Usage: bench_opus_to_wav [minutes] (60).

#include "records/COpusPenDecoder.h"
#include "records/ConvertPcmToWav.h"

#include <QFile>
#include <QTemporaryDir>

#include <opus.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <vector>

namespace {

constexpr int kRate = 16000;
constexpr int kFrameSamples = 320; // 20 ms a packet
constexpr int kPacketBytes = 40;
constexpr int kPacketsPerMinute = 3000;
constexpr int kDistinctPackets = 1500; // 30 s of sound, repeated to the length asked

// Speech-like sound (a gliding tone with noise), hard CBR 16 kbit/s: 40 bytes a packet.
std::vector<unsigned char> EncodeDistinctPackets() {
    int error = OPUS_OK;
    OpusEncoder* encoder = opus_encoder_create(kRate, 1, OPUS_APPLICATION_VOIP, &error);
    if (encoder == nullptr)
        return {};
    opus_encoder_ctl(encoder, OPUS_SET_BITRATE(16000));
    opus_encoder_ctl(encoder, OPUS_SET_VBR(0));
    std::mt19937 random(1);
    std::normal_distribution<double> noise(0, 800);
    std::vector<unsigned char> packets;
    std::vector<opus_int16> frame(kFrameSamples);
    unsigned char packet[4 * kPacketBytes];
    double phase = 0;
    for (int p = 0; p < kDistinctPackets; ++p) {
        for (int i = 0; i < kFrameSamples; ++i) {
            const double t = (p * kFrameSamples + i) / double(kRate);
            phase += 2 * M_PI * (180 + 80 * std::sin(2 * M_PI * 0.7 * t)) / kRate;
            const double envelope = 0.5 + 0.5 * std::sin(2 * M_PI * 2.5 * t);
            frame[i] = static_cast<opus_int16>(8000 * envelope * std::sin(phase) + noise(random));
        }
        if (opus_encode(encoder, frame.data(), kFrameSamples, packet, sizeof packet) !=
            kPacketBytes) {
            opus_encoder_destroy(encoder);
            return {};
        }
        packets.insert(packets.end(), packet, packet + kPacketBytes);
    }
    opus_encoder_destroy(encoder);
    return packets;
}

bool WritePenFile(const QString& path, int minutes) {
    const std::vector<unsigned char> distinct = EncodeDistinctPackets();
    if (distinct.empty())
        return false;
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (file == nullptr)
        return false;
    bool ok = true;
    for (long long left = static_cast<long long>(minutes) * kPacketsPerMinute; ok && left > 0;
         left -= kDistinctPackets) {
        const auto packets = static_cast<std::size_t>(std::min<long long>(left, kDistinctPackets));
        ok = std::fwrite(distinct.data(), kPacketBytes, packets, file) == packets;
    }
    return std::fclose(file) == 0 && ok;
}

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    const int minutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    QTemporaryDir dir;
    const QString opus = dir.filePath(QStringLiteral("REC001.opus"));
    const QString pcm = dir.filePath(QStringLiteral("REC001.pcm"));
    const QString wav = dir.filePath(QStringLiteral("REC001.wav"));
    if (!dir.isValid() || !WritePenFile(opus, minutes)) {
        std::fprintf(stderr, "cannot write the pen file in %s\n", qPrintable(dir.path()));
        return 1;
    }
    const double audioSeconds = minutes * 60.0;
    constexpr int kRuns = 3;
    std::vector<double> wallSeconds;
    std::vector<double> cpuSeconds;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = ThreadCpuSeconds();
        COpusPenDecoder decoder;
        if (decoder.DecodeFile(opus, pcm) != COpusPenDecoder::Outcome::Done ||
            decoder.SamplesWritten() != static_cast<long long>(minutes) * 60 * kRate ||
            ConvertPcmToWav(pcm, 1, kRate, wav) != 0) {
            std::fprintf(stderr, "conversion failed\n");
            return 1;
        }
        cpuSeconds.push_back(ThreadCpuSeconds() - cpuStart);
        wallSeconds.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(wallSeconds.begin(), wallSeconds.end());
    std::sort(cpuSeconds.begin(), cpuSeconds.end());
    const double wall = wallSeconds[kRuns / 2];
    const double cpu = cpuSeconds[kRuns / 2];
    std::printf("Opus pen file of %d min (%lld packets, %lld bytes) to PCM and WAV, %d runs\n",
                minutes, static_cast<long long>(minutes) * kPacketsPerMinute,
                static_cast<long long>(minutes) * kPacketsPerMinute * kPacketBytes, kRuns);
    std::printf("  median wall %.3f s (%.0f x real time), best %.3f s\n", wall, audioSeconds / wall,
                wallSeconds.front());
    std::printf("  median thread CPU %.3f s (%.0f x real time on one core)\n", cpu,
                audioSeconds / cpu);
    std::printf("  target: 300 x real time\n");
    return 0;
}
