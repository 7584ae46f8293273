#include "screentools/LensGeometry.h"

namespace lens {

namespace {
// Truncation toward zero of a single-precision quotient.
int TruncatedQuotient(float dividend, float zoom) {
    return static_cast<int>(dividend / zoom);
}
} // namespace

QRect WindowRect(const QPoint& cursor) {
    return QRect(cursor.x() - kWidth / 2, cursor.y() - kHeight / 2, kWidth, kHeight);
}

QPoint SourceOrigin(const QPoint& cursor, float zoom, int frame, int caption) {
    const int frameTerm = TruncatedQuotient(static_cast<float>(frame), zoom);
    const int left = cursor.x() - TruncatedQuotient(kWidth / 2, zoom) + frameTerm;
    const int top = cursor.y() - TruncatedQuotient(kHeight / 2, zoom) +
                    TruncatedQuotient(static_cast<float>(caption), zoom) + frameTerm;
    return QPoint(left, top);
}

QRectF SourceArea(const QPoint& cursor, float zoom) {
    const QPoint origin = SourceOrigin(cursor, zoom, 0, 0);
    return QRectF(origin,
                  QSizeF(kWidth / static_cast<qreal>(zoom), kHeight / static_cast<qreal>(zoom)));
}

} // namespace lens
