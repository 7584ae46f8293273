#include "app/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace {

enum class Encoding { Utf8, Utf8Bom, Utf16Le };

const QByteArray kUtf8Bom("\xEF\xBB\xBF", 3);
const QByteArray kUtf16LeBom("\xFF\xFE", 2);

enum class LineKind { Other, Section, Entry };

// One line of the file as stored (bytes in the file's encoding, without its terminator) and as
// understood (kind, section name or key, value).
struct Line {
    QByteArray bytes;
    QByteArray terminator;
    LineKind kind = LineKind::Other;
    QString name;
    QString value;
};

struct Contents {
    bool readable = true; // false: exists but cannot be read, or is too large
    Encoding encoding = Encoding::Utf8;
    std::vector<Line> lines;
};

bool EqualNoCase(const QString& a, const QString& b) {
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

QByteArray Encode(const QString& text, Encoding encoding) {
    if (encoding != Encoding::Utf16Le)
        return text.toUtf8();
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

// The text of a line, or an empty string when the bytes are not valid text of the encoding.
QString Decode(const QByteArray& bytes, Encoding encoding) {
    QString text;
    if (encoding == Encoding::Utf16Le) {
        text.resize(bytes.size() / 2);
        for (int i = 0; i < text.size(); ++i) {
            const auto lo = static_cast<unsigned char>(bytes[2 * i]);
            const auto hi = static_cast<unsigned char>(bytes[2 * i + 1]);
            text[i] = QChar(static_cast<ushort>(lo | (hi << 8)));
        }
    } else {
        text = QString::fromUtf8(bytes);
    }
    // Round-tripping rejects invalid UTF-8 and unpaired surrogates alike.
    if (text.contains(QChar(0)) || Encode(text, encoding) != bytes)
        return QString();
    return text;
}

void Classify(Line& line, Encoding encoding) {
    const QString text = Decode(line.bytes, encoding).trimmed();
    if (text.isEmpty() || text.startsWith(QLatin1Char(';')))
        return;
    if (text.startsWith(QLatin1Char('['))) {
        const int close = text.indexOf(QLatin1Char(']'));
        if (close > 0) {
            line.kind = LineKind::Section;
            line.name = text.mid(1, close - 1).trimmed();
        }
        return;
    }
    const int eq = text.indexOf(QLatin1Char('='));
    if (eq <= 0)
        return;
    line.name = text.left(eq).trimmed();
    line.value = text.mid(eq + 1).trimmed();
    if (!line.name.isEmpty())
        line.kind = LineKind::Entry;
}

Encoding DetectEncoding(QByteArray& data) {
    if (data.startsWith(kUtf16LeBom)) {
        data.remove(0, kUtf16LeBom.size());
        if (data.size() % 2 != 0)
            data.chop(1); // half a character cannot be kept in a UTF-16 file
        return Encoding::Utf16Le;
    }
    if (data.startsWith(kUtf8Bom)) {
        data.remove(0, kUtf8Bom.size());
        return Encoding::Utf8Bom;
    }
    return Encoding::Utf8;
}

std::vector<Line> SplitLines(const QByteArray& data, Encoding encoding) {
    const int unit = encoding == Encoding::Utf16Le ? 2 : 1;
    auto unitAt = [&](int pos) {
        return unit == 1 ? static_cast<unsigned char>(data[pos])
                         : static_cast<unsigned>(static_cast<unsigned char>(data[pos]) |
                                                 static_cast<unsigned char>(data[pos + 1]) << 8);
    };
    std::vector<Line> lines;
    int start = 0;
    for (int pos = 0; pos + unit <= data.size(); pos += unit) {
        if (unitAt(pos) != '\n')
            continue;
        int end = pos;
        if (end - unit >= start && unitAt(end - unit) == '\r')
            end -= unit;
        Line line;
        line.bytes = data.mid(start, end - start);
        line.terminator = data.mid(end, pos + unit - end);
        lines.push_back(std::move(line));
        start = pos + unit;
    }
    if (start < data.size()) {
        Line line;
        line.bytes = data.mid(start);
        lines.push_back(std::move(line));
    }
    for (Line& line : lines)
        Classify(line, encoding);
    return lines;
}

// A missing file reads as an empty, readable file.
Contents Load(const QString& path) {
    Contents contents;
    QFileInfo info(path);
    if (!info.exists())
        return contents;
    QFile file(path);
    if (info.isDir() || !file.open(QIODevice::ReadOnly)) {
        contents.readable = false;
        return contents;
    }
    // Sized by the file, not by the limit: the settings are read once per look-up, and a buffer
    // of the limit's size each time made a start noticeably slower. One byte more than the file
    // holds shows whether it grew past the limit meanwhile.
    QByteArray data = file.read(std::min(file.size(), IniFile::kMaxFileSize) + 1);
    while (data.size() <= IniFile::kMaxFileSize && !file.atEnd()) {
        const QByteArray more = file.read(IniFile::kMaxFileSize + 1 - data.size());
        if (more.isEmpty())
            break;
        data += more;
    }
    if (data.size() > IniFile::kMaxFileSize || file.error() != QFileDevice::NoError) {
        contents.readable = false;
        return contents;
    }
    contents.encoding = DetectEncoding(data);
    contents.lines = SplitLines(data, contents.encoding);
    return contents;
}

// Index of the header of the first section with that name, or -1.
int FindSection(const std::vector<Line>& lines, const QString& section) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == LineKind::Section && EqualNoCase(lines[i].name, section))
            return static_cast<int>(i);
    }
    return -1;
}

// One past the last line of the section whose header is at index header.
int SectionEnd(const std::vector<Line>& lines, int header) {
    int i = header + 1;
    while (i < static_cast<int>(lines.size()) && lines[i].kind != LineKind::Section)
        ++i;
    return i;
}

int FindEntry(const std::vector<Line>& lines, const QString& section, const QString& key) {
    const int header = FindSection(lines, section);
    if (header < 0)
        return -1;
    const int end = SectionEnd(lines, header);
    for (int i = header + 1; i < end; ++i) {
        if (lines[i].kind == LineKind::Entry && EqualNoCase(lines[i].name, key))
            return i;
    }
    return -1;
}

QString Unquote(const QString& value) {
    if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
        return value.mid(1, value.size() - 2);
    return value;
}

// Quotes a value that reading would otherwise change (surrounding blanks or quotes).
QString QuoteIfNeeded(const QString& value) {
    if (value != value.trimmed() || Unquote(value) != value)
        return QLatin1Char('"') + value + QLatin1Char('"');
    return value;
}

// A text the file would not give back as written: a NUL, or (in UTF-8) an unpaired surrogate.
// Storing it would leave a line that no read can see while the write reported success.
bool Storable(const QString& text, Encoding encoding) {
    return text.isEmpty() || Decode(Encode(text, encoding), encoding) == text;
}

bool HasLineBreak(const QString& text) {
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}

bool IsValidName(const QString& section, const QString& key) {
    if (section.isEmpty() || key.isEmpty() || HasLineBreak(section) || HasLineBreak(key))
        return false;
    if (section.contains(QLatin1Char(']')) || key.contains(QLatin1Char('=')))
        return false;
    return !key.startsWith(QLatin1Char(';')) && !key.startsWith(QLatin1Char('['));
}

QByteArray NewlineOf(const Contents& contents) {
    for (const Line& line : contents.lines) {
        if (!line.terminator.isEmpty())
            return line.terminator;
    }
    return Encode(QStringLiteral("\n"), contents.encoding);
}

Line MakeLine(const QString& text, const Contents& contents) {
    Line line;
    line.bytes = Encode(text, contents.encoding);
    line.terminator = NewlineOf(contents);
    return line;
}

void PutEntry(Contents& contents, const QString& section, const QString& key,
              const QString& value) {
    std::vector<Line>& lines = contents.lines;
    const QString stored = QuoteIfNeeded(value);
    const int entry = FindEntry(lines, section, key);
    if (entry >= 0) {
        // Keep the spelling of the key already in the file.
        lines[entry].bytes =
            Encode(lines[entry].name + QLatin1Char('=') + stored, contents.encoding);
        return;
    }
    const Line newLine = MakeLine(key + QLatin1Char('=') + stored, contents);
    const int header = FindSection(lines, section);
    if (header >= 0) {
        int insertAt = header + 1;
        for (int i = header + 1; i < SectionEnd(lines, header); ++i) {
            if (lines[i].kind == LineKind::Entry)
                insertAt = i + 1;
        }
        if (lines[insertAt - 1].terminator.isEmpty())
            lines[insertAt - 1].terminator = NewlineOf(contents);
        lines.insert(lines.begin() + insertAt, newLine);
        return;
    }
    if (!lines.empty() && lines.back().terminator.isEmpty())
        lines.back().terminator = NewlineOf(contents);
    lines.push_back(MakeLine(QLatin1Char('[') + section + QLatin1Char(']'), contents));
    lines.push_back(newLine);
}

QByteArray Serialize(const Contents& contents) {
    QByteArray data;
    if (contents.encoding == Encoding::Utf8Bom)
        data = kUtf8Bom;
    else if (contents.encoding == Encoding::Utf16Le)
        data = kUtf16LeBom;
    for (const Line& line : contents.lines)
        data += line.bytes + line.terminator;
    return data;
}

bool SaveAtomically(const QString& path, const QByteArray& data) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(data) != data.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace

QString IniFile::ReadString(const QString& section, const QString& key,
                            const QString& defaultValue) const {
    const Contents contents = Load(m_path);
    const int entry = FindEntry(contents.lines, section.trimmed(), key.trimmed());
    if (entry < 0)
        return defaultValue;
    return Unquote(contents.lines[entry].value);
}

bool IniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    const QString sectionName = section.trimmed();
    const QString keyName = key.trimmed();
    if (!IsValidName(sectionName, keyName) || HasLineBreak(value))
        return false;
    Contents contents = Load(m_path);
    if (!contents.readable || !Storable(sectionName, contents.encoding) ||
        !Storable(keyName, contents.encoding) || !Storable(value, contents.encoding))
        return false;
    PutEntry(contents, sectionName, keyName, value);
    return SaveAtomically(m_path, Serialize(contents));
}

std::vector<QString> IniFile::ReadSection(const QString& section, int sizeLimit) const {
    std::vector<QString> result;
    const Contents contents = Load(m_path);
    const int header = FindSection(contents.lines, section.trimmed());
    if (header < 0)
        return result;
    int used = 1; // the terminator that closes the list
    const int end = SectionEnd(contents.lines, header);
    for (int i = header + 1; i < end; ++i) {
        const Line& line = contents.lines[i];
        if (line.kind != LineKind::Entry)
            continue;
        const QString text = line.name + QLatin1Char('=') + line.value;
        used += text.size() + 1;
        if (used > sizeLimit)
            break;
        result.push_back(text);
    }
    return result;
}
