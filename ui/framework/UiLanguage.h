#pragma once

#include <QString>

// Applies a user-interface language setting ("lan_cn", "lan_en", "lan_jp", "lan_cht") to the
// resource manager. Any other value changes nothing and returns false.
bool ApplyUiLanguage(const QString& uiLanguage);
