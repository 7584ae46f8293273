#include "records/RecordRequests.h"

#include "service/UrlEncode.h"

#include <QString>

#include <json/writer.h>

#include <array>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <sys/stat.h>

namespace recordrequests {

namespace {

constexpr std::uint64_t kMiB = 1048576;
constexpr std::uint64_t kFewestMiB = 2;
constexpr char kTimesForSmallFiles[] = "5";

std::uint32_t LittleEndian32(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) |
           (static_cast<std::uint32_t>(bytes[3]) << 24);
}

std::uint16_t LittleEndian16(const unsigned char* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

// Chunks after "RIFF size WAVE": an eight-byte head (id, size) and the body, padded to even.
struct WavChunks {
    std::uint32_t byteRate = 0;
    bool integerPcm = false;
    std::optional<std::uint64_t> dataOffset;
    std::uint32_t dataSize = 0;
};

bool ReadChunks(std::ifstream& in, std::uint64_t fileSize, WavChunks& chunks) {
    std::uint64_t offset = 12;
    while (offset + 8 <= fileSize && !chunks.dataOffset) {
        std::array<unsigned char, 8> head{};
        in.seekg(static_cast<std::streamoff>(offset));
        if (!in.read(reinterpret_cast<char*>(head.data()), head.size()))
            return false;
        const std::uint32_t size = LittleEndian32(head.data() + 4);
        if (std::memcmp(head.data(), "fmt ", 4) == 0 && size >= 16) {
            std::array<unsigned char, 16> format{};
            if (!in.read(reinterpret_cast<char*>(format.data()), format.size()))
                return false;
            chunks.integerPcm = LittleEndian16(format.data()) == 1;
            chunks.byteRate = LittleEndian32(format.data() + 8);
        } else if (std::memcmp(head.data(), "data", 4) == 0) {
            chunks.dataOffset = offset + 8;
            chunks.dataSize = size;
        }
        offset += 8 + static_cast<std::uint64_t>(size) + (size & 1U);
    }
    return chunks.dataOffset.has_value();
}

} // namespace

std::string FetchPath(long long userId) {
    return kFetchPath + std::to_string(userId);
}

std::string DeletePath(long long id) {
    return kDeletePath + std::to_string(id);
}

std::string EditForm(const RecordItem& record) {
    const std::pair<const char*, std::string> fields[] = {
        {"id=", std::to_string(record.id)},
        {"&content=", record.content},
        {"&location=", record.location},
        {"&channalname=", record.channalname},
        {"&productname=", record.productname},
        {"&userid=", std::to_string(record.userid)},
        {"&attr1=", record.attr1},
        {"&attr2=", record.attr2},
        {"&recordTime=", record.recordTime},
        {"&filename=", record.filename},
        {"&filepath=", record.filepath},
        {"&type=", kRecordType},
        {"&duration=", record.duration},
    };
    std::string form;
    for (const auto& [key, value] : fields)
        form += key + UrlEncode(value);
    return form;
}

std::string SaveBody(const RecordItem& record, const SaveFields& fields) {
    Json::Value body(Json::objectValue);
    body["content"] = fields.content;
    body["location"] = "";
    body["channalname"] = "";
    body["productname"] = "";
    body["userid"] = std::to_string(fields.userId);
    body["attr1"] = "";
    body["attr2"] = "2";
    body["recordTime"] = fields.recordTime;
    body["filename"] = record.filename;
    body["filepath"] = "";
    body["type"] = kRecordType;
    body["duration"] = fields.duration;
    body["recognitionLanguage"] = record.recognitionLanguage;
    // The styled layout, with the text left as UTF-8 rather than escaped.
    Json::StreamWriterBuilder writer;
    writer["indentation"] = "   ";
    writer["emitUTF8"] = true;
    return Json::writeString(writer, body);
}

std::string UploadTimes(std::uint64_t wavBytes) {
    const std::uint64_t mebibytes = wavBytes / kMiB;
    return mebibytes < kFewestMiB ? std::string(kTimesForSmallFiles) : std::to_string(mebibytes);
}

std::vector<CHttpClient::MultipartPart> UploadParts(const RecordItem& record, long long userId,
                                                    std::uint64_t wavBytes) {
    auto text = [](const char* name, std::string value) {
        CHttpClient::MultipartPart part;
        part.name = name;
        part.value = std::move(value);
        return part;
    };
    CHttpClient::MultipartPart wav;
    wav.name = "bytepcm";
    wav.isFile = true;
    wav.fileName = record.filename;
    wav.filePath = record.wavPath;
    return {text("content", record.content),        text("id", std::to_string(record.id)),
            text("userid", std::to_string(userId)), text("productname", std::string()),
            text("name", record.filename),          std::move(wav),
            text("channalname", std::string()),     text("times", UploadTimes(wavBytes)),
            text("filepath", record.wavPath)};
}

std::optional<std::vector<RecordItem>> ParseFetchData(const Json::Value& data) {
    if (!data.isArray())
        return std::nullopt;
    std::vector<RecordItem> records;
    records.reserve(data.size());
    for (const Json::Value& element : data) {
        if (element.isObject())
            records.push_back(RecordItem::FromFetchJson(element));
    }
    return records;
}

std::optional<std::uint64_t> RegularFileSize(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return static_cast<std::uint64_t>(info.st_size);
}

std::optional<std::int64_t> WavDurationSeconds(const std::string& wavPath) {
    const std::optional<std::uint64_t> fileSize = RegularFileSize(wavPath);
    std::ifstream in(wavPath, std::ios::binary);
    if (!fileSize || !in)
        return std::nullopt;
    std::array<unsigned char, 12> riff{};
    if (!in.read(reinterpret_cast<char*>(riff.data()), riff.size()) ||
        std::memcmp(riff.data(), "RIFF", 4) != 0 || std::memcmp(riff.data() + 8, "WAVE", 4) != 0)
        return std::nullopt;
    WavChunks chunks;
    if (!ReadChunks(in, *fileSize, chunks) || !chunks.integerPcm || chunks.byteRate == 0)
        return std::nullopt;
    // A header that promises more than the file holds (a cut copy) counts what is there.
    const std::uint64_t present = *fileSize - std::min(*fileSize, *chunks.dataOffset);
    const std::uint64_t dataBytes = std::min<std::uint64_t>(chunks.dataSize, present);
    return static_cast<std::int64_t>(dataBytes / chunks.byteRate);
}

std::optional<std::string> ReadTranscript(const std::string& txtPath) {
    std::ifstream in(txtPath, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad())
        return std::nullopt;
    const std::string raw = bytes.str();
    return QString::fromUtf8(raw.data(), static_cast<int>(raw.size())).toUtf8().toStdString();
}

std::string LocalTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32] = {};
    std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

} // namespace recordrequests
