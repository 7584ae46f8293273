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
} // namespace

bool ApplyUiLanguage(const QString& uiLanguage) {
    for (const LanguageEntry& entry : kLanguages) {
        if (uiLanguage == QLatin1String(entry.setting)) {
            CResourceManager& resources = CResourceManager::Instance();
            resources.SetLanguage(QLatin1String(entry.code));
            resources.LoadLanguage(QLatin1String(entry.table));
            return true;
        }
    }
    return false;
}
