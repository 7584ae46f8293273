#include "platform/sim/SimWavHeader.h"

#include <algorithm>

namespace platform::sim {

namespace {
std::uint32_t ReadLe32(const QByteArray& bytes, qsizetype at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}
} // namespace

std::optional<std::int64_t> WavDurationMs(const QByteArray& head, std::int64_t totalBytes) {
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE")
        return std::nullopt;
    std::uint32_t byteRate = 0;
    qsizetype at = 12;
    while (at + 8 <= head.size()) {
        const QByteArray id = head.mid(at, 4);
        const std::uint32_t size = ReadLe32(head, at + 4);
        const qsizetype body = at + 8;
        if (id == "fmt ") {
            if (size < 16 || body + 16 > head.size())
                return std::nullopt;
            byteRate = ReadLe32(head, body + 8);
        } else if (id == "data") {
            if (byteRate == 0)
                return std::nullopt;
            const std::int64_t present = std::max<std::int64_t>(0, totalBytes - body);
            const std::int64_t dataBytes = std::min<std::int64_t>(size, present);
            return dataBytes * 1000 / byteRate;
        }
        // Chunks are padded to an even length.
        at = body + static_cast<qsizetype>(size) + static_cast<qsizetype>(size & 1u);
    }
    return std::nullopt;
}

} // namespace platform::sim
