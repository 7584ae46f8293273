#pragma once

#include "records/RecordItem.h"
#include "service/CHttpClient.h"

#include <json/value.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The request shapes of the records calls on the maker's service, as pure functions of the
// record they concern, so that every field and its encoding can be checked without a network.
namespace recordrequests {

constexpr char kFetchPath[] = "/api/getRecords.json?userid=";
constexpr char kEditPath[] = "/api/editiorAddRecord.json";
constexpr char kDeletePath[] = "/api/deleteRecord.json?id=";
constexpr char kSavePath[] = "/api/editiorSaveRecord";
constexpr char kUploadPath[] = "/api/recordUpload.json";

// The "type" both the save and the edit send for a recording of the pen.
constexpr char kRecordType[] = "2";

std::string FetchPath(long long userId);
std::string DeletePath(long long id);

// The edit form: the record's fields as key=value pairs joined by "&", every value
// percent-encoded (UrlEncode) so that a "&" or "=" in a title or transcript cannot cut the
// form, and "type" fixed to kRecordType.
std::string EditForm(const RecordItem& record);

// What the save body needs beyond the record.
struct SaveFields {
    std::string content; // the whole text file, UTF-8
    long long userId = 0;
    std::string recordTime; // local time, "%Y-%m-%d %H:%M:%S"
    std::string duration;   // whole seconds of the WAV, decimal
};

// The save body: a styled JSON object of the members the service expects, in UTF-8.
std::string SaveBody(const RecordItem& record, const SaveFields& fields);

// The "times" part: the WAV's size in whole MiB, or 5 when that is less than 2.
std::string UploadTimes(std::uint64_t wavBytes);

// The upload form in the order the service reads it; the WAV streams from record.wavPath.
std::vector<CHttpClient::MultipartPart> UploadParts(const RecordItem& record, long long userId,
                                                    std::uint64_t wavBytes);

// The records of a fetch reply's "data": each object element becomes one record, anything
// else in the array is skipped. Nothing when "data" is not an array.
std::optional<std::vector<RecordItem>> ParseFetchData(const Json::Value& data);

// The length of a WAV file in whole seconds, read from its header (the format chunk's byte
// rate and the data chunk's size, never more than the bytes the file holds). Nothing when the
// file cannot be read or is no PCM WAV.
std::optional<std::int64_t> WavDurationSeconds(const std::string& wavPath);

// The whole text file as UTF-8 (a byte sequence that is no UTF-8 is replaced, so the JSON
// stays valid); nothing when the file cannot be read.
std::optional<std::string> ReadTranscript(const std::string& txtPath);

// The size of a regular file; nothing when there is none at the path.
std::optional<std::uint64_t> RegularFileSize(const std::string& path);

// The local time now as "%Y-%m-%d %H:%M:%S".
std::string LocalTimeNow();

} // namespace recordrequests
