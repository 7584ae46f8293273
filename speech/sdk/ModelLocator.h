#pragma once

#include <optional>
#include <string>

namespace speechsdk {

// The three parts of a PocketSphinx model, as found in one folder.
struct ModelFiles {
    std::string folder;
    std::string acousticModel;
    std::string languageModel;
    std::string dictionary;
};

// Finds the model of a language and accent: models/LANGUAGE_ACCENT under the models root first,
// then, for en_us only, the system's English model folder. The folder layout is described in
// SpeechSdk.h.
class ModelLocator {
public:
    ModelLocator(std::string modelsRoot, std::string systemEnglishFolder);

    // models/ in the program home and Debian's pocketsphinx-en-us.
    static ModelLocator ForProgram();

    // The folder looked for first (the one named when no model is found).
    std::string FolderFor(const std::string& language, const std::string& accent) const;
    std::optional<ModelFiles> Find(const std::string& language, const std::string& accent) const;
    std::optional<ModelFiles> English() const;

    // Reads one model folder; none when a part is missing.
    static std::optional<ModelFiles> ReadFolder(const std::string& folder);

private:
    std::string m_modelsRoot;
    std::string m_systemEnglishFolder;
};

} // namespace speechsdk
