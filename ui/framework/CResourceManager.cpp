#include "ui/framework/CResourceManager.h"
#include "ui/framework/SkinResources.h"

#include "platform/DebugChannel.h"
#include "ui/framework/CWindowRegistry.h"
#include "ui/framework/WindowImplBase.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>
#include <QXmlStreamReader>

CResourceManager& CResourceManager::Instance() {
    static CResourceManager* manager = new CResourceManager;
    return *manager;
}

void CResourceManager::SetLanguage(const QString& code) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_language = code;
}

QString CResourceManager::GetLanguage() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_language;
}

bool CResourceManager::LoadLanguage(const QString& fileName) {
    EnsureSkinResources();
    QFile file(QStringLiteral(":/skin/") + fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        platform::OutputDebug(QStringLiteral("language table %1 not found\n").arg(fileName));
        return false;
    }
    return LoadLanguageData(file.readAll());
}

bool CResourceManager::LoadLanguageData(const QByteArray& xml) {
    QHash<QString, QString> table;
    if (!ParseTable(xml, table)) {
        platform::OutputDebug(QStringLiteral("language table is malformed\n"));
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_texts = std::move(table);
    }
    ReloadOpenWindows();
    return true;
}

bool CResourceManager::LoadFallbackLanguage(const QString& fileName) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_fallback.isEmpty())
            return true;
    }
    EnsureSkinResources();
    QFile file(QStringLiteral(":/skin/") + fileName);
    QHash<QString, QString> table;
    if (!file.open(QIODevice::ReadOnly) || !ParseTable(file.readAll(), table)) {
        platform::OutputDebug(QStringLiteral("default language table %1 unusable\n").arg(fileName));
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_fallback = std::move(table);
    }
    ReloadOpenWindows();
    return true;
}

bool CResourceManager::ParseTable(const QByteArray& xml, QHash<QString, QString>& table) {
    QXmlStreamReader reader(xml);
    if (!reader.readNextStartElement() || reader.name() != QLatin1String("Language"))
        return false;
    while (reader.readNextStartElement()) {
        if (reader.name() != QLatin1String("Text")) {
            reader.skipCurrentElement();
            continue;
        }
        const QString id = reader.attributes().value(QLatin1String("id")).toString();
        const QString text = reader.readElementText();
        if (IsTextId(id))
            table.insert(id, text);
    }
    return !reader.hasError();
}

void CResourceManager::ReloadOpenWindows() {
    // Widgets belong to the UI thread; a table loaded elsewhere shows at the next skin load.
    if (QCoreApplication::instance() == nullptr ||
        QThread::currentThread() != QCoreApplication::instance()->thread())
        return;
    for (WindowImplBase* window : CWindowRegistry::Instance().Snapshot())
        window->ReloadTexts();
}

QString CResourceManager::GetText(const QString& id) const {
    std::lock_guard<std::mutex> guard(m_lock);
    const auto found = m_texts.constFind(id);
    return found != m_texts.constEnd() ? found.value() : m_fallback.value(id);
}

bool CResourceManager::IsTextId(const QString& text) {
    return text.size() > 3 && text.startsWith(QLatin1String("id_"));
}

void CResourceManager::Clear() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_language.clear();
    m_texts.clear();
    m_fallback.clear();
}
