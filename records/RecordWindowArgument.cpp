#include "records/RecordWindowArgument.h"

#include <QVariantMap>

namespace {
const QString kLocalKey = QStringLiteral("local");
const QString kIndexKey = QStringLiteral("index");
} // namespace

QVariant RecordWindowArgument::ToVariant() const {
    QVariantMap map;
    map.insert(kLocalKey, local);
    map.insert(kIndexKey, index);
    return map;
}

RecordWindowArgument RecordWindowArgument::FromVariant(const QVariant& argument) {
    RecordWindowArgument parsed;
    const QVariantMap map = argument.toMap();
    const QVariant local = map.value(kLocalKey);
    const QVariant index = map.value(kIndexKey);
    if (local.typeId() != QMetaType::Bool || index.typeId() != QMetaType::Int)
        return parsed;
    parsed.local = local.toBool();
    parsed.index = index.toInt();
    return parsed;
}
