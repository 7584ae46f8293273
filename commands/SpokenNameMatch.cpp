#include "commands/SpokenNameMatch.h"

#include <QStringView>

namespace {

const QString kOpenVerbs[] = {QStringLiteral("打开"), QStringLiteral("打開"),
                              QStringLiteral("open"), QStringLiteral("start")};

// The characters a pattern's "." does not match.
bool HasLineBreak(QStringView text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\n' || u == '\r' || u == 0x2028 || u == 0x2029)
            return true;
    }
    return false;
}

// `rest` is ".*" name ".*": some occurrence of the name with no line break around it.
bool HoldsName(QStringView rest, const QString& name) {
    for (qsizetype at = rest.indexOf(name, 0, Qt::CaseInsensitive); at >= 0;
         at = rest.indexOf(name, at + 1, Qt::CaseInsensitive)) {
        if (!HasLineBreak(rest.left(at)) && !HasLineBreak(rest.mid(at + name.size())))
            return true;
    }
    return false;
}

} // namespace

bool MatchesOpenVerbAndName(const QString& sentence, const QString& name) {
    if (name.isEmpty())
        return false;
    for (const QString& verb : kOpenVerbs) {
        if (sentence.startsWith(verb, Qt::CaseInsensitive) &&
            HoldsName(QStringView(sentence).mid(verb.size()), name))
            return true;
    }
    return false;
}

bool BeginsWithName(const QString& sentence, const QString& name) {
    return !name.isEmpty() && sentence.startsWith(name, Qt::CaseInsensitive) &&
           !HasLineBreak(QStringView(sentence).mid(name.size()));
}

bool CallsSpokenName(const QString& sentence, const QString& name) {
    return MatchesOpenVerbAndName(sentence, name) || BeginsWithName(sentence, name);
}
