// Records read from the service's replies: every key in its place, nothing a reply holds
// throws, and a save reply never erases what it does not mention.
#include "records/RecordItem.h"

#include <json/reader.h>
#include <json/value.h>

#include <gtest/gtest.h>

#include <memory>

namespace {

Json::Value Parse(const std::string& text) {
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value value;
    std::string errors;
    EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &value, &errors)) << text;
    return value;
}

TEST(RecordItemFetch, EveryKeyLandsInItsOwnField) {
    const RecordItem item = RecordItem::FromFetchJson(Parse(R"({
        "attr1": "http://h/a.wav", "attr2": "2", "channalname": "ch", "content": "你好",
        "createTime": "2021-03-02 09:05:03", "duration": "61", "filename": "a.wav",
        "filepath": "/srv/a.wav", "id": 42, "location": "loc", "productname": "pen",
        "recordTime": "2021-03-01 08:00:00", "status": "1", "updateTime": "2021-03-03",
        "userid": 7, "recognitionLanguage": "zh_cn"})"));
    EXPECT_EQ(item.attr1, "http://h/a.wav");
    EXPECT_EQ(item.attr2, "2");
    EXPECT_EQ(item.channalname, "ch");
    EXPECT_EQ(item.content, "你好");
    EXPECT_EQ(item.createTime, "2021-03-02 09:05:03");
    EXPECT_EQ(item.duration, "61");
    EXPECT_EQ(item.filename, "a.wav");
    EXPECT_EQ(item.filepath, "/srv/a.wav");
    EXPECT_EQ(item.id, 42);
    EXPECT_EQ(item.location, "loc");
    EXPECT_EQ(item.productname, "pen");
    EXPECT_EQ(item.recordTime, "2021-03-01 08:00:00");
    EXPECT_EQ(item.status, "1");
    EXPECT_EQ(item.updateTime, "2021-03-03");
    EXPECT_EQ(item.userid, 7);
    EXPECT_EQ(item.recognitionLanguage, "zh_cn");
    EXPECT_TRUE(item.opusPath.empty());
    EXPECT_FALSE(item.onServer);
}

struct IdCase {
    const char* json; // the "id" member's value
    long long id;
};

class RecordItemIdTest : public ::testing::TestWithParam<IdCase> {};

INSTANTIATE_TEST_SUITE_P(
    Values, RecordItemIdTest,
    ::testing::Values(IdCase{"42", 42}, IdCase{R"("42")", 42},
                      IdCase{"9007199254740993", 9007199254740993LL}, IdCase{R"("-3")", -3},
                      IdCase{R"("4x2")", 0}, IdCase{R"("")", 0}, IdCase{R"(" 42")", 0},
                      IdCase{R"("1e3")", 0}, IdCase{"12.5", 0}, IdCase{"true", 0},
                      IdCase{"null", 0}, IdCase{"[1]", 0}, IdCase{R"({"v":1})", 0},
                      IdCase{"18446744073709551615", 0}, IdCase{R"("99999999999999999999")", 0}));

TEST_P(RecordItemIdTest, IdsReadAsNumbersOrDecimalTextElseZero) {
    const std::string json = GetParam().json;
    const Json::Value object = Parse(R"({"id":)" + json + R"(,"userid":)" + json + "}");
    const RecordItem item = RecordItem::FromFetchJson(object);
    EXPECT_EQ(item.id, GetParam().id);
    EXPECT_EQ(item.userid, GetParam().id);
}

TEST(RecordItemFetch, MistypedOrMissingTextsReadEmptyAndNonObjectsGiveAnEmptyRecord) {
    const RecordItem item = RecordItem::FromFetchJson(
        Parse(R"({"content": 5, "filename": ["a"], "filepath": {"x": 1}, "status": null,
                  "duration": true, "attr1": "kept"})"));
    EXPECT_EQ(item.content, "");
    EXPECT_EQ(item.filename, "");
    EXPECT_EQ(item.filepath, "");
    EXPECT_EQ(item.status, "");
    EXPECT_EQ(item.duration, "");
    EXPECT_EQ(item.attr1, "kept");
    for (const char* notAnObject : {"[1, 2]", R"("text")", "3", "null", "true"}) {
        const RecordItem empty = RecordItem::FromFetchJson(Parse(notAnObject));
        EXPECT_EQ(empty.id, 0) << notAnObject;
        EXPECT_EQ(empty.filename, "") << notAnObject;
    }
}

RecordItem LocalRecord() {
    RecordItem record;
    record.attr1 = "/root/wav/a.wav";
    record.attr2 = "x";
    record.content = "the transcript";
    record.filename = "a.wav";
    record.recognitionLanguage = "en_us";
    record.opusPath = "/pen/a.opus";
    record.wavPath = "/root/wav/a.wav";
    return record;
}

TEST(RecordItemSave, ReturnedMembersReplaceFieldsAndMissingOnesLeaveThem) {
    RecordItem record = LocalRecord();
    record.TakeSaveReply(Parse(R"({"id": "77", "userid": 5, "attr2": "2", "status": "0",
        "createTime": "c", "updateTime": "u", "filepath": "/srv/a.wav", "recordTime": "r",
        "duration": "3", "location": "", "productname": "p", "channalname": "ch"})"));
    EXPECT_EQ(record.id, 77);
    EXPECT_EQ(record.userid, 5);
    EXPECT_EQ(record.attr2, "2");
    EXPECT_EQ(record.filepath, "/srv/a.wav");
    EXPECT_EQ(record.duration, "3");
    EXPECT_EQ(record.productname, "p");
    // Not in the reply: kept, the transcript above all.
    EXPECT_EQ(record.content, "the transcript");
    EXPECT_EQ(record.filename, "a.wav");
    EXPECT_EQ(record.recognitionLanguage, "en_us");
    // attr1 is not among the members a save returns; the local paths are never touched.
    record.TakeSaveReply(Parse(R"({"attr1": "http://h/a.wav", "opusPath": "/x"})"));
    EXPECT_EQ(record.attr1, "/root/wav/a.wav");
    EXPECT_EQ(record.opusPath, "/pen/a.opus");
}

TEST(RecordItemSave, MistypedMembersAndNonObjectDataChangeNothing) {
    for (const char* data : {R"({"content": null, "id": "x", "userid": [], "filename": 3})", "null",
                             "[]", R"("data")", "0"}) {
        RecordItem record = LocalRecord();
        record.id = 12;
        record.TakeSaveReply(Parse(data));
        EXPECT_EQ(record.content, "the transcript") << data;
        EXPECT_EQ(record.filename, "a.wav") << data;
        EXPECT_EQ(record.id, 12) << data;
    }
    RecordItem record = LocalRecord();
    record.TakeSaveReply(Parse(R"({"content": ""})"));
    EXPECT_EQ(record.content, "") << "an empty text is a text";
}

TEST(RecordItemTitle, FileNameUpToTheFirstDot) {
    const std::pair<const char*, const char*> rows[] = {
        {"a.wav", "a"}, {"a.1.wav", "a"}, {"noext", "noext"},
        {"", ""},       {".wav", ""},     {"录音 1.wav", "录音 1"}};
    for (const auto& [filename, title] : rows) {
        RecordItem record;
        record.filename = filename;
        EXPECT_EQ(record.Title(), title) << filename;
    }
}

} // namespace
