#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// An INI file read and written the way the classic profile functions do it: sections and keys
// match without regard to case, a key's value is trimmed and loses one pair of enclosing double
// quotes, and a write changes only the one line of its key.
//
// Files are read as UTF-8 (with or without a byte-order mark) or as UTF-16LE with its mark; a
// UTF-16LE file is written back as UTF-16LE, every other file as UTF-8. Lines that cannot be
// decoded (invalid UTF-8, NUL bytes) are ignored when reading and kept byte for byte when
// writing, so a damaged file is never made worse.
//
// The object holds only the path: every call reads the file afresh. It has no lock of its own;
// callers that share a file between threads serialise their calls.
class IniFile {
public:
    // A file larger than this is not read (defaults apply) and never rewritten.
    static constexpr qint64 kMaxFileSize = 8 * 1024 * 1024;

    explicit IniFile(const QString& path) : m_path(path) {}

    const QString& Path() const { return m_path; }

    // The value of key in section, or defaultValue when the file, the section or the key is
    // missing. An existing key with an empty value yields the empty string.
    QString ReadString(const QString& section, const QString& key,
                       const QString& defaultValue) const;

    // Stores key=value in section: replaces the key's line when it exists, otherwise adds the
    // key after the last entry of the section, or a new section at the end of the file. The
    // file is created on the first write and replaced atomically (temporary file in the same
    // folder, then rename). Returns false, changing nothing, when the file cannot be written
    // or when section, key or value contain a line break (or section a "]", key a "="), or a
    // character the file cannot hold (a NUL; an unpaired surrogate in a UTF-8 file).
    bool WriteString(const QString& section, const QString& key, const QString& value);

    // The "key=value" lines of a section as a buffer of sizeLimit wide characters would
    // receive them: each line costs its length plus one terminator, and the list one more
    // terminator. Only whole lines are returned; the first line that does not fit and every
    // line after it are left out, so a caller never sees a cut code or label.
    std::vector<QString> ReadSection(const QString& section, int sizeLimit) const;

private:
    QString m_path;
};
