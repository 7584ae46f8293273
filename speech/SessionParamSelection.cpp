#include "speech/SessionParamSelection.h"

#include "app/CConfig.h"
#include "device/DeviceState.h"
#include "speech/sdk/EngineParamTable.h"

namespace {

using speechsdk::ParamTable;

std::optional<ParamTable> MouseTable(const QString& type, const QString& ptt) {
    const bool on = ptt == QLatin1String("on");
    if (!on && ptt != QLatin1String("off"))
        return std::nullopt;
    if (type == QLatin1String("v6"))
        return on ? ParamTable::LongEndPtt1 : ParamTable::LongEndPtt0;
    if (type == QLatin1String("v9"))
        return on ? ParamTable::ShortEndPtt1 : ParamTable::ShortEndPtt0;
    return std::nullopt;
}

std::optional<ParamTable> PenTable(const QString& ptt) {
    if (ptt == QLatin1String("on"))
        return ParamTable::LongEndPtt1;
    if (ptt == QLatin1String("off"))
        return ParamTable::LongEndPtt0;
    return std::nullopt;
}

} // namespace

std::optional<std::string> SelectSessionParams(const CConfig& config, int deviceKind) {
    std::optional<ParamTable> table;
    QString language;
    if (deviceKind == kDeviceMouse) {
        table = MouseTable(config.GetType(), config.GetPtt());
        language = config.GetRecognitionLanguage();
    } else if (deviceKind == kDevicePen) {
        table = PenTable(config.GetLpPtt());
        language = config.GetLpLanguage();
    }
    if (!table)
        return std::nullopt;
    return speechsdk::EngineParamTable::Text(*table, language.toStdString());
}
