#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <ostream>
#include <random>

// Readable QString output in test failure messages.
inline std::ostream& operator<<(std::ostream& out, const QString& text) {
    return out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << text;
}

// Small file helpers shared by the app tests.
namespace testfiles {

// A byte array from a literal that may hold NUL bytes.
template <size_t N> QByteArray Raw(const char (&literal)[N]) {
    return QByteArray(literal, static_cast<int>(N - 1));
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

inline QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Deterministic noise: every byte value, NULs and broken UTF-8 included.
inline QByteArray RandomBytes(int size, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    QByteArray bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(byte(generator));
    return bytes;
}

inline QByteArray Utf16Le(const QString& text, bool withBom = true) {
    QByteArray bytes = withBom ? QByteArray("\xFF\xFE", 2) : QByteArray();
    for (QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

} // namespace testfiles
