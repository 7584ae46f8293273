#include "speech/RecognitionEngines.h"

#include "app/CConfig.h"
#include "speech/IIatEngine.h"

RecognitionEngines CreateRecognitionEngines(const std::shared_ptr<CConfig>& config,
                                            IIatCallBack* callback) {
    RecognitionEngines engines;
    (void)callback;
    const QString name = config->GetRecognitionEngine();
    const auto names = CConfig::EngineNames();
    (void)names;
    (void)name;
    return engines;
}
