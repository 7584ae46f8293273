#include "mainwnd/PageValues.h"

namespace pagevalues {

namespace {

struct Step {
    const char* name;
    const char* text;
};
const Step k3212Model5698[] = {{"16", "600"},  {"21", "800"},  {"26", "1000"}, {"32", "1200"},
                               {"42", "1600"}, {"48", "1800"}, {"63", "2400"}};
const Step k3212Other[] = {{"5", "1200"}, {"0", "1400"}, {"1", "1600"},
                           {"2", "1800"}, {"3", "2000"}, {"4", "2400"}};
const Step kOtherSensor[] = {{"1", "1"}, {"2", "2"}, {"3", "3"}, {"4", "4"}};

template <size_t N> std::vector<ListItem> Items(const Step (&steps)[N]) {
    std::vector<ListItem> items;
    items.reserve(N);
    for (const Step& step : steps)
        items.push_back({QString::fromLatin1(step.name), QString::fromLatin1(step.text), {}});
    return items;
}

} // namespace

QString RecognitionSection(const QString& engine) {
    if (engine == QLatin1String("xf"))
        return QStringLiteral("recognition_xf_lans");
    if (engine == QLatin1String("sh"))
        return QStringLiteral("recognition_sh_lans");
    if (engine == QLatin1String("sg"))
        return QStringLiteral("recognition_sg_lans");
    return QString();
}

std::vector<ListItem> LanguageItems(const std::vector<QString>& lines) {
    std::vector<ListItem> items;
    items.reserve(lines.size());
    for (const QString& line : lines) {
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals <= 0)
            continue;
        items.push_back({line.left(equals), line.mid(equals + 1), {}});
    }
    return items;
}

std::vector<ListItem> ResolutionItems(const QString& photoIC, bool model5698) {
    if (photoIC != QLatin1String("3212"))
        return Items(kOtherSensor);
    return model5698 ? Items(k3212Model5698) : Items(k3212Other);
}

} // namespace pagevalues
