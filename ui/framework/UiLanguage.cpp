#include "ui/framework/UiLanguage.h"

#include "ui/framework/CResourceManager.h"

namespace {
struct LanguageEntry {
    const char* setting;
    const char* code;
    const char* table;
};

constexpr LanguageEntry kLanguages[] = {
    {"lan_jp", "jp", "lan_jp.xml"},
    {"lan_en", "en", "lan_en.xml"},
    {"lan_cht", "cht", "lan_cht.xml"},
    {"lan_cn", "cn_zh", "lan_cn.xml"},
};
// The language a new settings file names.
constexpr const LanguageEntry& kDefaultLanguage = kLanguages[3];

void LoadLanguage(const LanguageEntry& entry) {
    CResourceManager& resources = CResourceManager::Instance();
    resources.SetLanguage(QLatin1String(entry.code));
    resources.LoadLanguage(QLatin1String(entry.table));
}
} // namespace

bool ApplyUiLanguage(const QString& uiLanguage) {
    CResourceManager& resources = CResourceManager::Instance();
    resources.LoadFallbackLanguage(QLatin1String(kDefaultLanguage.table));
    for (const LanguageEntry& entry : kLanguages) {
        if (uiLanguage == QLatin1String(entry.setting)) {
            LoadLanguage(entry);
            return true;
        }
    }
    // Nothing shown yet (start-up): the texts are the default language's, never bare ids.
    if (resources.GetLanguage().isEmpty())
        LoadLanguage(kDefaultLanguage);
    return false;
}
