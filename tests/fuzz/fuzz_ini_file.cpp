// The settings files (custom.ini, languages.ini): read, write one key, read again. A write
// either changes exactly its own key or leaves the file byte for byte as it was.
//
// Input: section 0xFF key 0xFF value 0xFF file contents.
#include "app/IniFile.h"
#include "support/FuzzSupport.h"

#include <QFile>

#include <map>
#include <utility>
#include <vector>

namespace {

using fuzz::Require;

// The section reads compare every line of a section; the key reads add the look-up rules
// (first match, case, quotes) for a few names.
constexpr int kMostSections = 8;
constexpr int kMostKeys = 3;
constexpr int kNoLimit = 1 << 30;

// A value no file can hold (it has a line break), so "missing" is told apart from any value.
const QString kMissing = QStringLiteral("\n(missing)\n");

void AddOnce(std::vector<QString>& names, const QString& name, int most) {
    if (name.isEmpty() || static_cast<int>(names.size()) >= most)
        return;
    for (const QString& known : names) {
        if (known == name)
            return;
    }
    names.push_back(name);
}

// Section and key names worth looking at: what the lines of the file look like they name,
// read as UTF-8 and as UTF-16, plus the ones the write uses.
void CollectNames(const QByteArray& contents, std::vector<QString>& sections,
                  std::vector<QString>& keys) {
    const QString texts[] = {
        QString::fromUtf8(contents),
        QString(reinterpret_cast<const QChar*>(contents.constData()), contents.size() / 2),
    };
    for (const QString& text : texts) {
        for (const QString& rawLine : text.split(QLatin1Char('\n'))) {
            const QString line = rawLine.trimmed();
            if (line.startsWith(QLatin1Char('[')) && line.indexOf(QLatin1Char(']')) > 0)
                AddOnce(sections, line.mid(1, line.indexOf(QLatin1Char(']')) - 1).trimmed(),
                        kMostSections);
            else if (line.indexOf(QLatin1Char('=')) > 0)
                AddOnce(keys, line.left(line.indexOf(QLatin1Char('='))).trimmed(), kMostKeys);
        }
    }
}

struct Snapshot {
    std::map<std::pair<QString, QString>, QString> values;
    std::map<QString, std::vector<QString>> sectionLines;
};

Snapshot Take(const IniFile& ini, const std::vector<QString>& sections,
              const std::vector<QString>& keys) {
    Snapshot snapshot;
    for (const QString& section : sections) {
        snapshot.sectionLines[section] = ini.ReadSection(section, kNoLimit);
        for (const QString& key : keys)
            snapshot.values[{section, key}] = ini.ReadString(section, key, kMissing);
    }
    return snapshot;
}

bool SameName(const QString& a, const QString& b) {
    return QString::compare(a.trimmed(), b.trimmed(), Qt::CaseInsensitive) == 0;
}

// The "key=value" lines of a section without the ones of the written key.
std::vector<QString> WithoutKey(const std::vector<QString>& lines, const QString& key) {
    std::vector<QString> kept;
    for (const QString& line : lines) {
        if (!SameName(line.left(line.indexOf(QLatin1Char('='))), key))
            kept.push_back(line);
    }
    return kept;
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// Every write replaces the file through a synced temporary file; a fuzz run needs no
// durability, and syncing made it a hundred times slower.
extern "C" int fsync(int) {
    return 0;
}

extern "C" int fdatasync(int) {
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Fields fields(data, size);
    const QString section = QString::fromStdString(fields.Next());
    const QString key = QString::fromStdString(fields.Next());
    const QString value = QString::fromStdString(fields.Next());
    const std::string rest = fields.Rest();
    const QByteArray contents(rest.data(), static_cast<int>(rest.size()));

    static const QString path = fuzz::ScratchFile("fuzz.ini");
    {
        QFile file(path);
        Require(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "scratch file not writable");
        file.write(contents);
    }

    std::vector<QString> sections;
    std::vector<QString> keys;
    AddOnce(sections, section, kMostSections + 1);
    AddOnce(keys, key, kMostKeys + 1);
    CollectNames(contents, sections, keys);

    IniFile ini(path);
    const Snapshot before = Take(ini, sections, keys);
    const bool written = ini.WriteString(section, key, value);
    const Snapshot after = Take(ini, sections, keys);

    if (!written) {
        Require(FileBytes(path) == contents, "a refused write changed the file");
        return 0;
    }
    Require(ini.ReadString(section, key, kMissing) == value,
            "the written value does not read back");
    for (const auto& [place, old] : before.values) {
        if (SameName(place.first, section) && SameName(place.second, key))
            continue;
        Require(after.values.at(place) == old, "a write changed another key");
    }
    for (const auto& [name, lines] : before.sectionLines) {
        if (!SameName(name, section)) {
            Require(after.sectionLines.at(name) == lines, "a write changed another section");
            continue;
        }
        Require(WithoutKey(after.sectionLines.at(name), key) == WithoutKey(lines, key),
                "a write changed another line of its section");
    }
    return 0;
}
