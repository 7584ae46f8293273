// ConvertPcmToWav of one hour of 16 kHz mono audio (115.2 MB): the time to write the WAV, the
// first run and the median of the following ones. Usage: bench_pcm_to_wav [minutes] (60).

#include "records/ConvertPcmToWav.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr long long kBytesPerMinute = 16000LL * 2 * 60;

bool WriteSilence(const QString& path, long long bytes) {
    std::FILE* file = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (file == nullptr)
        return false;
    std::vector<char> block(1 << 20, 0);
    for (long long left = bytes; left > 0;) {
        const auto n = static_cast<std::size_t>(std::min<long long>(left, block.size()));
        if (std::fwrite(block.data(), 1, n, file) != n) {
            std::fclose(file);
            return false;
        }
        left -= static_cast<long long>(n);
    }
    return std::fclose(file) == 0;
}

} // namespace

int main(int argc, char** argv) {
    const int minutes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    QTemporaryDir dir;
    const QString pcm = dir.filePath(QStringLiteral("session.pcm"));
    const QString wav = dir.filePath(QStringLiteral("session.wav"));
    if (!dir.isValid() || !WriteSilence(pcm, minutes * kBytesPerMinute)) {
        std::fprintf(stderr, "cannot write the PCM file in %s\n", qPrintable(dir.path()));
        return 1;
    }
    constexpr int kRuns = 5;
    std::vector<double> ms;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        if (ConvertPcmToWav(pcm, 1, 16000, wav) != 0)
            return 1;
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    const double first = ms.front();
    std::sort(ms.begin() + 1, ms.end());
    std::printf("ConvertPcmToWav of %d min (%lld bytes), %d runs\n", minutes,
                minutes * kBytesPerMinute, kRuns);
    std::printf("  first %.0f ms, median of the rest %.0f ms, max %.0f ms\n", first,
                ms[1 + (kRuns - 1) / 2], *std::max_element(ms.begin(), ms.end()));
    return 0;
}
