#include "speech/sdk/ModelLocator.h"

#include "platform/ProgramHome.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace speechsdk {
namespace {

const char kSystemEnglishFolder[] = "/usr/share/pocketsphinx/model/en-us";

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Entries of a folder sorted by name, so that the choice among several files is stable.
std::vector<fs::path> SortedEntries(const fs::path& folder) {
    std::vector<fs::path> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        entries.push_back(it->path());
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::optional<fs::path> AcousticModelIn(const std::vector<fs::path>& entries) {
    std::error_code error;
    for (const auto& entry : entries) {
        if (fs::is_directory(entry, error) && fs::is_regular_file(entry / "mdef", error))
            return entry;
    }
    return std::nullopt;
}

std::optional<fs::path> FirstWithSuffix(const std::vector<fs::path>& entries,
                                        const std::string& suffix) {
    std::error_code error;
    for (const auto& entry : entries) {
        if (EndsWith(entry.filename().string(), suffix) && fs::is_regular_file(entry, error))
            return entry;
    }
    return std::nullopt;
}

std::optional<fs::path> LanguageModelIn(const fs::path& folder,
                                        const std::vector<fs::path>& entries,
                                        const fs::path& acousticModel) {
    std::error_code error;
    const std::string name = acousticModel.filename().string();
    for (const char* suffix : {".lm.bin", ".lm"}) {
        const fs::path matching = folder / (name + suffix);
        if (fs::is_regular_file(matching, error))
            return matching;
    }
    if (auto binary = FirstWithSuffix(entries, ".lm.bin"))
        return binary;
    return FirstWithSuffix(entries, ".lm");
}

} // namespace

ModelLocator::ModelLocator(std::string modelsRoot, std::string systemEnglishFolder)
    : m_modelsRoot(std::move(modelsRoot)), m_systemEnglishFolder(std::move(systemEnglishFolder)) {}

ModelLocator ModelLocator::ForProgram() {
    return ModelLocator(platform::ShippedFile(QStringLiteral("models")).toStdString(),
                        kSystemEnglishFolder);
}

std::string ModelLocator::FolderFor(const std::string& language, const std::string& accent) const {
    return (fs::path(m_modelsRoot) / (language + "_" + accent)).string();
}

std::optional<ModelFiles> ModelLocator::Find(const std::string& language,
                                             const std::string& accent) const {
    if (auto dropped = ReadFolder(FolderFor(language, accent)))
        return dropped;
    if (language == "en_us")
        return English();
    return std::nullopt;
}

std::optional<ModelFiles> ModelLocator::English() const {
    return ReadFolder(m_systemEnglishFolder);
}

std::optional<ModelFiles> ModelLocator::ReadFolder(const std::string& folder) {
    std::error_code error;
    if (!fs::is_directory(folder, error))
        return std::nullopt;
    const auto entries = SortedEntries(folder);
    const auto acoustic = AcousticModelIn(entries);
    if (!acoustic)
        return std::nullopt;
    const auto languageModel = LanguageModelIn(folder, entries, *acoustic);
    const auto dictionary = FirstWithSuffix(entries, ".dict");
    if (!languageModel || !dictionary)
        return std::nullopt;
    return ModelFiles{folder, acoustic->string(), languageModel->string(), dictionary->string()};
}

} // namespace speechsdk
