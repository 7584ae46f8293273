// Recording files and the records service's replies: the pen's bare Opus packet files, WAV
// headers, and the fetch and save replies that fill records.
#include "records/COpusPenDecoder.h"
#include "records/RecordItem.h"
#include "records/RecordRequests.h"
#include "service/ServiceReply.h"
#include "support/FuzzSupport.h"

#include <QFile>
#include <QFileInfo>

namespace {

using fuzz::Require;

void WriteFile(const QString& path, const std::string& bytes) {
    QFile file(path);
    Require(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write the scratch file");
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

// A pen file decodes to at most kMaxPacketSamples a whole packet, and nothing is left behind
// unless it decoded.
void CheckPenFile(const std::string& bytes) {
    const QString opus = fuzz::ScratchFile("pen.opus");
    const QString pcm = fuzz::ScratchFile("pen.pcm");
    WriteFile(opus, bytes);
    QFile::remove(pcm);
    COpusPenDecoder decoder;
    const COpusPenDecoder::Outcome outcome = decoder.DecodeFile(opus, pcm);
    if (outcome != COpusPenDecoder::Outcome::Done) {
        Require(!QFileInfo::exists(pcm), "a failed decode left a PCM file");
        return;
    }
    const long long packets = static_cast<long long>(bytes.size()) / COpusPenDecoder::kPacketBytes;
    Require(decoder.SamplesWritten() <= packets * COpusPenDecoder::kMaxPacketSamples,
            "more samples than the packets can hold");
    Require(QFileInfo(pcm).size() == decoder.SamplesWritten() * 2,
            "the PCM file is not the samples written");
}

void CheckWavHeader(const std::string& bytes) {
    const QString wav = fuzz::ScratchFile("record.wav");
    WriteFile(wav, bytes);
    const auto seconds = recordrequests::WavDurationSeconds(wav.toStdString());
    if (seconds)
        Require(*seconds >= 0 && *seconds <= static_cast<std::int64_t>(bytes.size()),
                "a duration the file's bytes cannot hold");
}

// A save reply's "data" changes only the members it carries with the right type; the
// transcript is never erased by a reply that leaves it out.
void CheckReplies(const std::string& body) {
    const ServiceReply reply = ServiceReply::Parse(body);
    if (auto records = recordrequests::ParseFetchData(reply.data)) {
        for (const RecordItem& record : *records)
            (void)record.Title();
    }
    RecordItem local;
    local.content = "transcript";
    local.wavPath = "/records/wav/a.wav";
    local.TakeSaveReply(reply.data);
    Require(local.wavPath == "/records/wav/a.wav", "a save reply changed the local WAV path");
    if (!reply.data.isObject() || !reply.data.isMember("content"))
        Require(local.content == "transcript", "a save reply without content erased the text");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    // The first byte chooses the kind of file; the rest is the file.
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    switch (data[0] % 3) {
    case 0:
        CheckPenFile(bytes);
        break;
    case 1:
        CheckWavHeader(bytes);
        break;
    default:
        CheckReplies(bytes);
        break;
    }
    return 0;
}
