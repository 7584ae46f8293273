#include "speech/sdk/PrunedDictionary.h"

#include "platform/ProgramHome.h"

#include <sphinxbase/logmath.h>
#include <sphinxbase/ngram_model.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <istream>
#include <ostream>
#include <sstream>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace speechsdk {
namespace {

// The first line of a copy: a comment line for the decoder, which skips lines beginning with
// "##"; for us the size and checksum of the rest, so that a damaged copy is never read.
constexpr char kSealPrefix[] = "## velmora cut dictionary ";

// Bumped whenever the way a copy is cut changes, so that older copies are not read.
constexpr char kCutVersion[] = "1";

std::uint64_t Fnv1a(const std::string& text) {
    std::uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

// Path, size and modification time: what changes when a model is replaced or edited.
std::optional<std::string> FileIdentity(const std::string& path) {
    std::error_code error;
    const auto size = fs::file_size(path, error);
    if (error)
        return std::nullopt;
    const auto modified = fs::last_write_time(path, error);
    if (error)
        return std::nullopt;
    const auto ticks = modified.time_since_epoch().count();
    return fs::absolute(path, error).string() + "\n" + std::to_string(size) + "\n" +
           std::to_string(static_cast<long long>(ticks));
}

std::string Lowered(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The word of a dictionary line: its first field, an alternate's "(n)" taken off.
std::string HeadWord(const std::string& line) {
    const auto start = line.find_first_not_of(" \t");
    if (start == std::string::npos)
        return std::string();
    const auto end = line.find_first_of(" \t", start);
    std::string word = line.substr(start, end == std::string::npos ? end : end - start);
    if (word.size() > 3 && word.back() == ')') {
        const auto open = word.rfind('(');
        if (open != std::string::npos && open > 0)
            word.erase(open);
    }
    return word;
}

bool IsComment(const std::string& line) {
    return line.compare(0, 2, "##") == 0 || line.compare(0, 2, ";;") == 0;
}

std::string PrivateName(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    return target.string() + ".tmp-" + std::to_string(::getpid()) + "-" +
           std::to_string(counter.fetch_add(1));
}

} // namespace

PrunedDictionary::PrunedDictionary(std::string cacheFolder)
    : m_cacheFolder(std::move(cacheFolder)) {}

std::string PrunedDictionary::ProgramCacheFolder() {
    return (platform::ProgramHome() + QStringLiteral("cache/models")).toStdString();
}

std::optional<std::string> PrunedDictionary::CacheName(const ModelFiles& model) {
    const auto dictionary = FileIdentity(model.dictionary);
    const auto languageModel = FileIdentity(model.languageModel);
    if (!dictionary || !languageModel)
        return std::nullopt;
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx",
                  static_cast<unsigned long long>(Fnv1a(std::string(kCutVersion) + "\n" +
                                                        *dictionary + "\n" + *languageModel)));
    return fs::path(model.dictionary).stem().string() + "-" + hex + ".dict";
}

std::optional<std::unordered_set<std::string>>
PrunedDictionary::ReadVocabulary(const std::string& languageModel) {
    logmath_t* logmath = logmath_init(1.0001, 0, 0);
    if (logmath == nullptr)
        return std::nullopt;
    ngram_model_t* model = ngram_model_read(nullptr, languageModel.c_str(), NGRAM_AUTO, logmath);
    std::optional<std::unordered_set<std::string>> words;
    if (model != nullptr) {
        const int32 count = ngram_model_get_counts(model)[0];
        words.emplace();
        words->reserve(static_cast<std::size_t>(count > 0 ? count : 0));
        for (int32 id = 0; id < count; ++id) {
            if (const char* word = ngram_word(model, id))
                words->insert(Lowered(word));
        }
        ngram_model_free(model);
    }
    logmath_free(logmath);
    return words;
}

std::optional<std::size_t>
PrunedDictionary::Write(std::istream& dictionary, const std::unordered_set<std::string>& vocabulary,
                        std::ostream& out) {
    // Compared without case: the decoder matches dictionary words that way, and keeping a
    // word too many costs a little memory while dropping one would change results.
    std::size_t written = 0;
    std::string line;
    while (std::getline(dictionary, line)) {
        if (IsComment(line))
            continue;
        const std::string word = HeadWord(line);
        if (word.empty() || vocabulary.count(Lowered(word)) == 0)
            continue;
        out << line << '\n';
        ++written;
    }
    if (dictionary.bad() || !out)
        return std::nullopt;
    return written;
}

std::string PrunedDictionary::PathFor(const ModelFiles& model) const {
    const auto name = CacheName(model);
    if (!name || m_cacheFolder.empty())
        return std::string();
    const fs::path target = fs::path(m_cacheFolder) / *name;
    if (IsIntact(target.string()))
        return target.string();

    const auto vocabulary = ReadVocabulary(model.languageModel);
    if (!vocabulary || vocabulary->empty())
        return std::string();
    std::ifstream in(model.dictionary);
    std::ostringstream body;
    const auto entries = in ? Write(in, *vocabulary, body) : std::nullopt;
    if (!entries || *entries == 0)
        return std::string();
    std::error_code error;
    fs::create_directories(m_cacheFolder, error);
    const std::string temporary = PrivateName(target);
    bool written = false;
    {
        std::ofstream out(temporary, std::ios::trunc | std::ios::binary);
        const std::string text = body.str();
        out << Seal(text) << '\n' << text;
        out.flush();
        written = out.good();
    }
    if (written)
        fs::rename(temporary, target, error);
    if (!written || error) {
        fs::remove(temporary, error);
        return std::string();
    }
    return target.string();
}

std::string PrunedDictionary::Seal(const std::string& body) {
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(Fnv1a(body)));
    return std::string(kSealPrefix) + std::to_string(body.size()) + " " + hex;
}

bool PrunedDictionary::IsIntact(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string seal;
    if (!in || !std::getline(in, seal))
        return false;
    std::ostringstream rest;
    rest << in.rdbuf();
    return !in.bad() && seal == Seal(rest.str());
}

void PrunedDictionary::Discard(const ModelFiles& model) const {
    const auto name = CacheName(model);
    if (!name || m_cacheFolder.empty())
        return;
    std::error_code error;
    fs::remove(fs::path(m_cacheFolder) / *name, error);
}

} // namespace speechsdk
