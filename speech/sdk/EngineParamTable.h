#pragma once

#include <optional>
#include <string>

namespace speechsdk {

// The session parameter texts the recognition engine opens sessions with, one per language key
// ("english", "chinese", "yue", "yue_cht", "sichuan", "shanghai", "minnan", "kejia", "cht") in
// each of four tables: long (100 s) or short (5 s) end-of-speech silence, punctuation off or on.
enum class ParamTable { LongEndPtt0, LongEndPtt1, ShortEndPtt0, ShortEndPtt1 };

class EngineParamTable {
public:
    // The text for a key, or none for a key outside the table.
    static std::optional<std::string> Text(ParamTable table, const std::string& key);
    // The text used when the engine is given none: plain GB2312 results in Mandarin.
    static std::string DefaultText();
};

} // namespace speechsdk
