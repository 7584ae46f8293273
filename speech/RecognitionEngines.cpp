#include "speech/RecognitionEngines.h"

#include "app/CConfig.h"
#include "speech/CSgEngine.h"
#include "speech/CShEngine.h"
#include "speech/CXfEngine.h"
#include "speech/IIatEngine.h"

namespace {

// The engine identifiers in the order they are compared; -1 for a name that is none of them.
int EngineIndex(const QString& name) {
    for (const auto& [index, engineName] : CConfig::EngineNames()) {
        if (name == engineName)
            return index;
    }
    return -1;
}

RecognitionEngines CreateXfEngines(const std::shared_ptr<CConfig>& config, IIatCallBack* callback,
                                   std::function<int()> deviceKind) {
    RecognitionEngines engines;
    auto engine = std::make_unique<CXfEngine>(config, callback, std::move(deviceKind));
    engine->Login();
    engines.recognizer = std::move(engine);
    engines.web = std::make_unique<CXfEngineWeb>(config, callback);
    engines.web->Start();
    return engines;
}

} // namespace

RecognitionEngines CreateRecognitionEngines(const std::shared_ptr<CConfig>& config,
                                            IIatCallBack* callback, std::function<int()> deviceKind,
                                            std::function<int()> voiceMode) {
    RecognitionEngines engines;
    switch (EngineIndex(config->GetRecognitionEngine())) {
    case 0: // "xf"
        return CreateXfEngines(config, callback, std::move(deviceKind));
    case 1: // "sh"
        engines.recognizer = std::make_unique<CShEngine>(config, callback, std::move(deviceKind),
                                                         std::move(voiceMode));
        return engines;
    case 2: // "sg"
        engines.recognizer = std::make_unique<CSgEngine>(callback, std::move(voiceMode));
        return engines;
    case 3: // "ms": no engine
    default:
        return {};
    }
}
