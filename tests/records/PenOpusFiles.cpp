#include "PenOpusFiles.h"

#include <QFile>

#include <opus.h>

#include <cmath>
#include <random>
#include <vector>

namespace penfiles {

namespace {
constexpr int kRate = 16000;
constexpr int kFrameSamples = 320; // 20 ms
constexpr int kPacketBytes = 40;
constexpr int kMaxPacketSamples = 1280;
} // namespace

QByteArray EncodePackets(int packets, uint32_t seed) {
    int error = OPUS_OK;
    OpusEncoder* encoder = opus_encoder_create(kRate, 1, OPUS_APPLICATION_VOIP, &error);
    if (encoder == nullptr)
        return QByteArray();
    opus_encoder_ctl(encoder, OPUS_SET_BITRATE(16000));
    opus_encoder_ctl(encoder, OPUS_SET_VBR(0));
    std::mt19937 noise(seed);
    std::uniform_int_distribution<int> jitter(-1500, 1500);
    QByteArray out;
    std::vector<opus_int16> frame(kFrameSamples);
    unsigned char packet[kPacketBytes * 4];
    long long n = 0;
    for (int p = 0; p < packets; ++p) {
        for (opus_int16& sample : frame) {
            const double t = static_cast<double>(n++) / kRate;
            const double tone =
                6000 * std::sin(2 * M_PI * 220 * t) * (0.6 + 0.4 * std::sin(2 * M_PI * 3 * t)) +
                3000 * std::sin(2 * M_PI * 1250 * t);
            sample = static_cast<opus_int16>(tone + jitter(noise));
        }
        const int size = opus_encode(encoder, frame.data(), kFrameSamples, packet, sizeof packet);
        if (size != kPacketBytes) {
            opus_encoder_destroy(encoder);
            return QByteArray();
        }
        out.append(reinterpret_cast<const char*>(packet), size);
    }
    opus_encoder_destroy(encoder);
    return out;
}

QByteArray ReferenceDecode(const QByteArray& data) {
    int error = OPUS_OK;
    OpusDecoder* decoder = opus_decoder_create(kRate, 1, &error);
    QByteArray pcm;
    std::vector<opus_int16> samples(kMaxPacketSamples);
    for (int at = 0; at + kPacketBytes <= data.size(); at += kPacketBytes) {
        const int got =
            opus_decode(decoder, reinterpret_cast<const unsigned char*>(data.constData() + at),
                        kPacketBytes, samples.data(), kMaxPacketSamples, 0);
        for (int i = 0; i < got; ++i) {
            pcm.append(static_cast<char>(samples[i] & 0xFF));
            pcm.append(static_cast<char>((samples[i] >> 8) & 0xFF));
        }
    }
    opus_decoder_destroy(decoder);
    return pcm;
}

QByteArray RandomBytes(int size, uint32_t seed) {
    std::mt19937 random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = static_cast<char>(random() & 0xFF);
    return bytes;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace penfiles
