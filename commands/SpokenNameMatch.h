#pragma once

#include <QString>

// Whether a sentence calls a spoken name, by the dispatcher's two rules tried in turn, each a
// match of the whole sentence, case-insensitive:
//  R1: it begins with an open verb (打开, 打開, open, start) and holds the name after it;
//  R2: it begins with the name.
// The name is literal text: ".", "+", "(" in a service's word are just those characters. As in
// a pattern where "." stands for any character but a line break, the text around the name and
// the verb may hold no line break. An empty name calls nothing.
bool MatchesOpenVerbAndName(const QString& sentence, const QString& name); // R1
bool BeginsWithName(const QString& sentence, const QString& name);         // R2
bool CallsSpokenName(const QString& sentence, const QString& name);        // R1, then R2
