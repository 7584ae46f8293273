#pragma once

#include "speech/sdk/ModelLocator.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <unordered_set>

namespace speechsdk {

// The pronunciation dictionary cut down to the words the language model can produce. The
// decoder only ever searches words that are in both, so loading the cut dictionary gives the
// same results from less memory (the English model's dictionary holds 135 000 entries, its
// language model 73 000 words). The cut copy is made once, written to a cache folder under a
// name made from both files' path, size and modification time, and read from there after.
// Safe to use from several threads and processes: a copy is written under a private name and
// renamed into place, and each copy carries a checksum so that a damaged one is made again
// instead of silently losing words. Loads take turns with the decoder's (the caller holds its load
// lock).
class PrunedDictionary {
public:
    explicit PrunedDictionary(std::string cacheFolder);

    // The cache folder under the program home.
    static std::string ProgramCacheFolder();

    // The path of the cut dictionary of the model, made now when the cache has none. Empty
    // when it cannot be made (no cache folder, an unreadable file): the caller then loads the
    // whole dictionary.
    std::string PathFor(const ModelFiles& model) const;

    // Removes the cache's copy for the model (one the decoder could not read), so that the
    // next PathFor makes it again.
    void Discard(const ModelFiles& model) const;

    // The cache's file name for the model: changes when either file changes.
    static std::optional<std::string> CacheName(const ModelFiles& model);

    // The words of a language model (its unigrams); none when it cannot be read.
    static std::optional<std::unordered_set<std::string>>
    ReadVocabulary(const std::string& languageModel);

    // Copies every entry of `dictionary` whose word - without an alternate pronunciation's
    // "(2)" - is in `vocabulary`, in the original order; comment and blank lines are dropped.
    // Returns the number of entries written, or none when writing failed.
    static std::optional<std::size_t> Write(std::istream& dictionary,
                                            const std::unordered_set<std::string>& vocabulary,
                                            std::ostream& out);

    // The first line of a cache copy with this body; and whether a copy on disk has its seal.
    static std::string Seal(const std::string& body);
    static bool IsIntact(const std::string& path);

private:
    std::string m_cacheFolder;
};

} // namespace speechsdk
