#include "records/RecordRequests.h"

#include <gtest/gtest.h>
#include <json/reader.h>

#include <QTemporaryDir>

#include <cstdint>
#include <fstream>
#include <map>
#include <string>

namespace {

// Splits a form body and undoes the percent-encoding, so the values can be compared with what
// went in.
std::map<std::string, std::string> DecodeForm(const std::string& form,
                                              std::vector<std::string>* keys = nullptr) {
    auto decode = [](const std::string& text) {
        std::string out;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '+') {
                out += ' ';
            } else if (text[i] == '%' && i + 2 < text.size()) {
                out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
                i += 2;
            } else {
                out += text[i];
            }
        }
        return out;
    };
    std::map<std::string, std::string> fields;
    size_t start = 0;
    while (start <= form.size()) {
        size_t end = form.find('&', start);
        if (end == std::string::npos)
            end = form.size();
        const std::string pair = form.substr(start, end - start);
        const size_t eq = pair.find('=');
        if (keys)
            keys->push_back(pair.substr(0, eq));
        fields[pair.substr(0, eq)] = eq == std::string::npos ? "" : decode(pair.substr(eq + 1));
        start = end + 1;
    }
    return fields;
}

void WriteWav(const std::string& path, std::uint32_t dataBytes, std::uint32_t claimedBytes,
              std::uint32_t byteRate = 32000) {
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out.put(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    auto u16 = [&](std::uint16_t v) {
        out.put(static_cast<char>(v & 0xFF));
        out.put(static_cast<char>(v >> 8));
    };
    out << "RIFF";
    u32(claimedBytes + 36);
    out << "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(16000);
    u32(byteRate);
    u16(2);
    u16(16);
    out << "data";
    u32(claimedBytes);
    out << std::string(dataBytes, '\x01');
}

TEST(RecordRequests, EditFormCarriesEveryFieldEncodedAndTypeTwo) {
    RecordItem record;
    record.id = 17;
    record.userid = 42;
    // Each of these would cut or change the form if it went raw.
    record.content = "a&b=c + d%25 \xE4\xBD\xA0\xE5\xA5\xBD\n";
    record.filename = "my \"talk\".wav";
    record.filepath = "/srv/a b/x.wav";
    record.attr1 = "http://h/x?y=1&z=2";
    record.duration = "12";
    record.recordTime = "2021-03-02 09:05:03";
    std::vector<std::string> keys;
    const std::string form = recordrequests::EditForm(record);
    EXPECT_EQ(form.find_first_of(" \n\""), std::string::npos) << form;
    const auto fields = DecodeForm(form, &keys);
    const std::vector<std::string> expectedKeys = {
        "id",    "content",    "location", "channalname", "productname", "userid",  "attr1",
        "attr2", "recordTime", "filename", "filepath",    "type",        "duration"};
    EXPECT_EQ(keys, expectedKeys);
    EXPECT_EQ(fields.at("id"), "17");
    EXPECT_EQ(fields.at("userid"), "42");
    EXPECT_EQ(fields.at("content"), record.content);
    EXPECT_EQ(fields.at("filename"), record.filename);
    EXPECT_EQ(fields.at("filepath"), record.filepath);
    EXPECT_EQ(fields.at("attr1"), record.attr1);
    EXPECT_EQ(fields.at("recordTime"), record.recordTime);
    EXPECT_EQ(fields.at("type"), "2");
    EXPECT_EQ(fields.at("duration"), "12");
}

TEST(RecordRequests, SaveBodyIsTheServiceObjectInUtf8) {
    RecordItem record;
    record.filename = "REC001.wav";
    record.recognitionLanguage = "en_us";
    record.content = "old text that must not be sent";
    recordrequests::SaveFields fields{"\xE4\xBD\xA0\xE5\xA5\xBD \"quoted\"\nline", 42,
                                      "2021-03-02 09:05:03", "7"};
    const std::string body = recordrequests::SaveBody(record, fields);
    // The text goes as UTF-8 bytes, not as escapes.
    EXPECT_NE(body.find("\xE4\xBD\xA0\xE5\xA5\xBD"), std::string::npos);
    Json::Value parsed;
    std::string errors;
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    ASSERT_TRUE(reader->parse(body.data(), body.data() + body.size(), &parsed, &errors)) << body;
    const std::map<std::string, std::string> expected = {{"content", fields.content},
                                                         {"location", ""},
                                                         {"channalname", ""},
                                                         {"productname", ""},
                                                         {"userid", "42"},
                                                         {"attr1", ""},
                                                         {"attr2", "2"},
                                                         {"recordTime", fields.recordTime},
                                                         {"filename", "REC001.wav"},
                                                         {"filepath", ""},
                                                         {"type", "2"},
                                                         {"duration", "7"},
                                                         {"recognitionLanguage", "en_us"}};
    EXPECT_EQ(parsed.size(), expected.size());
    for (const auto& [key, value] : expected) {
        ASSERT_TRUE(parsed[key].isString()) << key;
        EXPECT_EQ(parsed[key].asString(), value) << key;
    }
}

struct TimesCase {
    std::uint64_t bytes;
    const char* times;
};

class UploadTimes : public testing::TestWithParam<TimesCase> {};

TEST_P(UploadTimes, WholeMebibytesOrFiveBelowTwo) {
    EXPECT_EQ(recordrequests::UploadTimes(GetParam().bytes), GetParam().times);
}

INSTANTIATE_TEST_SUITE_P(Sizes, UploadTimes,
                         testing::Values(TimesCase{0, "5"}, TimesCase{1048576 * 3 / 2, "5"},
                                         TimesCase{2 * 1048576 - 1, "5"},
                                         TimesCase{2 * 1048576, "2"},
                                         TimesCase{3355443, "3"}, // 3.2 MiB
                                         TimesCase{5ULL * 1024 * 1048576, "5120"}));

TEST(RecordRequests, UploadPartsInTheServiceOrder) {
    RecordItem record;
    record.id = 9;
    record.filename = "REC.wav";
    record.content = "text";
    record.wavPath = "/tmp/x/REC.wav";
    const auto parts = recordrequests::UploadParts(record, 42, 3355443);
    std::vector<std::string> names;
    for (const auto& part : parts)
        names.push_back(part.name);
    EXPECT_EQ(names, (std::vector<std::string>{"content", "id", "userid", "productname", "name",
                                               "bytepcm", "channalname", "times", "filepath"}));
    EXPECT_TRUE(parts[5].isFile);
    EXPECT_EQ(parts[5].fileName, "REC.wav");
    EXPECT_EQ(parts[5].filePath, record.wavPath);
    EXPECT_TRUE(parts[5].bytes.empty()); // streamed, never held in memory
    EXPECT_EQ(parts[1].value, "9");
    EXPECT_EQ(parts[2].value, "42");
    EXPECT_EQ(parts[7].value, "3");
    EXPECT_EQ(parts[8].value, record.wavPath);
}

struct DurationCase {
    const char* name;
    std::uint32_t dataBytes;
    std::uint32_t claimedBytes;
    std::uint32_t byteRate;
    std::int64_t seconds; // -1: no duration
};

class WavDuration : public testing::TestWithParam<DurationCase> {};

TEST_P(WavDuration, FromTheHeaderAndTheBytesPresent) {
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("a.wav")).toStdString();
    const DurationCase& c = GetParam();
    WriteWav(path, c.dataBytes, c.claimedBytes, c.byteRate);
    const auto seconds = recordrequests::WavDurationSeconds(path);
    if (c.seconds < 0)
        EXPECT_FALSE(seconds.has_value());
    else
        EXPECT_EQ(seconds.value_or(-1), c.seconds);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, WavDuration,
    testing::Values(DurationCase{"empty", 0, 0, 32000, 0},
                    DurationCase{"under_a_second", 31999, 31999, 32000, 0},
                    DurationCase{"whole_seconds_truncated", 32000 * 3 + 5, 32000 * 3 + 5, 32000, 3},
                    // A cut copy: the header promises ten seconds, one is there.
                    DurationCase{"header_promises_more", 32000, 320000, 32000, 1},
                    DurationCase{"no_byte_rate", 32000, 32000, 0, -1}),
    [](const testing::TestParamInfo<DurationCase>& info) { return info.param.name; });

TEST(RecordRequests, NoDurationForMissingOrForeignFiles) {
    QTemporaryDir dir;
    EXPECT_FALSE(recordrequests::WavDurationSeconds(dir.filePath("none.wav").toStdString()));
    const std::string text = dir.filePath("a.wav").toStdString();
    std::ofstream(text) << "RIFF this is no wave at all";
    EXPECT_FALSE(recordrequests::WavDurationSeconds(text));
    EXPECT_FALSE(recordrequests::WavDurationSeconds(dir.path().toStdString()));
}

TEST(RecordRequests, FetchDataKeepsObjectsOnly) {
    Json::Value data(Json::arrayValue);
    Json::Value first;
    first["id"] = 5;
    first["filename"] = "a.wav";
    data.append(first);
    data.append(7);
    data.append("text");
    data.append(Json::Value(Json::objectValue));
    const auto records = recordrequests::ParseFetchData(data);
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), 2u);
    EXPECT_EQ((*records)[0].id, 5);
    EXPECT_EQ((*records)[1].id, 0);
    EXPECT_FALSE(recordrequests::ParseFetchData(Json::Value(Json::objectValue)));
    EXPECT_FALSE(recordrequests::ParseFetchData(Json::Value("[]")));
}

TEST(RecordRequests, TranscriptIsReadWholeAndMadeValidUtf8) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("t.txt").toStdString();
    std::ofstream(path, std::ios::binary) << "line one\n\xE4\xBD\xA0 \xFF end";
    const auto text = recordrequests::ReadTranscript(path);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text, "line one\n\xE4\xBD\xA0 \xEF\xBF\xBD end");
    EXPECT_FALSE(recordrequests::ReadTranscript(dir.filePath("none.txt").toStdString()));
}

} // namespace
