#include "platform/DesktopEntry.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform {

namespace {

// Real desktop files are a few kilobytes; anything far larger is not one.
constexpr qint64 kMaxDesktopFileBytes = 1 << 20;

// The string escapes of desktop-file values: \s \n \t \r \\. Other backslashes stay, so the
// Exec quoting rules still see them.
QString DecodeValue(const QString& raw) {
    QString value;
    value.reserve(raw.size());
    for (int i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (c != '\\' || i + 1 == raw.size()) {
            value += c;
            continue;
        }
        const QChar next = raw[++i];
        if (next == 's')
            value += ' ';
        else if (next == 'n')
            value += '\n';
        else if (next == 't')
            value += '\t';
        else if (next == 'r')
            value += '\r';
        else if (next == '\\')
            value += '\\';
        else
            value += QString(c) + next;
    }
    return value;
}

// Field codes stand for files, URLs, the icon, the name or the entry's path; a launch with
// none of those has nothing to put in their place. %% is a literal percent sign.
QString DropFieldCodes(const QString& argument) {
    QString out;
    for (int i = 0; i < argument.size(); ++i) {
        if (argument[i] != '%') {
            out += argument[i];
        } else if (i + 1 < argument.size()) {
            if (argument[++i] == '%')
                out += '%';
        }
    }
    return out;
}

bool IsFieldCodeOnly(const QString& argument) {
    return argument.size() == 2 && argument[0] == '%' && argument[1] != '%';
}

bool ReadBool(const QString& value) {
    return value.trimmed() == QLatin1String("true");
}

void Assign(DesktopEntry& entry, const QString& key, const QString& value) {
    if (key == QLatin1String("Type"))
        entry.type = value;
    else if (key == QLatin1String("Exec"))
        entry.exec = value;
    else if (key == QLatin1String("TryExec"))
        entry.tryExec = value;
    else if (key == QLatin1String("Hidden"))
        entry.hidden = ReadBool(value);
    else if (key == QLatin1String("Terminal"))
        entry.terminal = ReadBool(value);
    else if (key == QLatin1String("Categories"))
        entry.categories = value.split(';', Qt::SkipEmptyParts);
}

} // namespace

std::optional<DesktopEntry> ReadDesktopEntry(const QString& path) {
    QFile file(path);
    if (file.size() > kMaxDesktopFileBytes || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    DesktopEntry entry;
    entry.path = path;
    bool inGroup = false;
    bool sawGroup = false;
    QStringList seenKeys;
    for (QString line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            inGroup = line == QLatin1String("[Desktop Entry]") && !sawGroup;
            sawGroup |= inGroup;
            continue;
        }
        const int eq = line.indexOf('=');
        if (!inGroup || eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        // Localised variants (Name[de]) and repeated keys do not replace the first plain one.
        if (key.contains('[') || seenKeys.contains(key))
            continue;
        seenKeys << key;
        Assign(entry, key, DecodeValue(line.mid(eq + 1).trimmed()));
    }
    if (!sawGroup)
        return std::nullopt;
    return entry;
}

std::optional<QStringList> SplitExec(const QString& exec) {
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (int i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '\\' && i + 1 < exec.size() &&
                       QStringLiteral("\"`$\\").contains(exec[i + 1])) {
                current += exec[++i];
            } else {
                current += c;
            }
        } else if (c == ' ' || c == '\t' || c == '\n') {
            if (inArgument)
                arguments << current;
            current.clear();
            inArgument = false;
        } else if (c == '"') {
            quoted = true;
            inArgument = true;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (quoted)
        return std::nullopt;
    if (inArgument)
        arguments << current;

    QStringList result;
    for (const QString& argument : arguments) {
        if (!IsFieldCodeOnly(argument))
            result << DropFieldCodes(argument);
    }
    if (result.isEmpty() || result.first().isEmpty())
        return std::nullopt;
    return result;
}

QString FindProgram(const QString& name) {
    if (name.isEmpty())
        return QString();
    if (name.startsWith('/')) {
        const QFileInfo info(name);
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    }
    if (name.contains('/'))
        return QString();
    return QStandardPaths::findExecutable(name);
}

std::optional<QStringList> LaunchArguments(const DesktopEntry& entry) {
    if (entry.type != QLatin1String("Application") || entry.hidden || entry.terminal)
        return std::nullopt;
    if (!entry.tryExec.isEmpty() && FindProgram(entry.tryExec).isEmpty())
        return std::nullopt;
    std::optional<QStringList> argv = SplitExec(entry.exec);
    if (!argv)
        return std::nullopt;
    const QString program = FindProgram(argv->first());
    if (program.isEmpty())
        return std::nullopt;
    (*argv)[0] = program;
    return argv;
}

} // namespace platform
