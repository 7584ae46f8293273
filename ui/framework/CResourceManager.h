#pragma once

#include <QHash>
#include <QString>

#include <mutex>

// The language string tables of the skin. A text id ("id_...") resolves to the text of the
// loaded table; skins and SetControlText resolve ids through it.
//
// Table format (":/skin/lan_<code>.xml"):
//   <Language code="en">
//     <Text id="id_tray_menu_exit">Exit</Text>
//   </Language>
class CResourceManager {
public:
    static CResourceManager& Instance();

    void SetLanguage(const QString& code);
    QString GetLanguage() const;

    // Loads the table from the skin; on success it replaces the current one and the open
    // windows show the new texts. A missing or malformed table changes nothing.
    bool LoadLanguage(const QString& fileName);
    // The same from a file's bytes (tables not compiled into the program).
    bool LoadLanguageData(const QByteArray& xml);

    // The default language's table: it answers for every id the loaded table lacks, so a
    // skin's text id is never shown as it is. Loaded once; later calls do nothing.
    bool LoadFallbackLanguage(const QString& fileName);

    // The text of the id in the loaded table, else in the fallback table; empty when neither
    // knows it.
    QString GetText(const QString& id) const;
    static bool IsTextId(const QString& text);

    // Drops the tables (shutdown, tests).
    void Clear();

private:
    CResourceManager() = default;
    static bool ParseTable(const QByteArray& xml, QHash<QString, QString>& table);
    static void ReloadOpenWindows();

    mutable std::mutex m_lock;
    QString m_language;
    QHash<QString, QString> m_texts;
    QHash<QString, QString> m_fallback;
};
