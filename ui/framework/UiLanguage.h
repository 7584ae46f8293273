#pragma once

#include <QString>

// Applies a user-interface language setting ("lan_cn", "lan_en", "lan_jp", "lan_cht") to the
// resource manager. Any other value returns false and keeps the texts shown, which at start-up
// are the default language's ("lan_cn"); that table also answers for ids another one lacks.
bool ApplyUiLanguage(const QString& uiLanguage);
