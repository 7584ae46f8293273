#include "platform/CFileSearch.h"

#include "platform/SimEvents.h"
#include "platform/XdgApplications.h"

#include <QDirIterator>
#include <QFileInfo>

#include <set>

namespace platform {

namespace {

// The application directories hold a few thousand files at most; walking them for every
// search is cheap next to asking the index.
QStringList InApplicationDirs(const QString& name) {
    QStringList found;
    for (const QString& dir : ApplicationDirs()) {
        QDirIterator it(dir, {name}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next();
    }
    return found;
}

bool IsPlainName(const QString& name) {
    return !name.isEmpty() && !name.contains('/') && !name.contains(QChar(0)) &&
           name != QLatin1String(".") && name != QLatin1String("..");
}

void Report(const QString& name, const QStringList& results) {
    Json::Value event;
    event["kind"] = "file_search";
    event["name"] = name.toStdString();
    event["results"] = Json::arrayValue;
    for (const QString& path : results)
        event["results"].append(path.toStdString());
    EmitSimEvent(event);
}

} // namespace

CFileSearch::CFileSearch(IndexLookup index) : m_index(std::move(index)) {}

QStringList CFileSearch::FindByName(const QString& name) {
    std::lock_guard<std::mutex> guard(m_oneAtATime);
    std::set<QString> kept;
    if (IsPlainName(name)) {
        // A name with wildcard characters must not act as a pattern in the directory walk.
        const bool wildcard = name.contains('*') || name.contains('?') || name.contains('[');
        const QStringList local = wildcard ? QStringList() : InApplicationDirs(name);
        for (const QStringList& candidates : {m_index(name), local}) {
            for (const QString& path : candidates) {
                const QFileInfo info(path);
                if (info.isAbsolute() && info.fileName() == name && info.isFile())
                    kept.insert(QDir::cleanPath(path));
            }
        }
    }
    const QStringList results(kept.begin(), kept.end());
    Report(name, results);
    return results;
}

} // namespace platform
