#include "screentools/CLensView.h"

#include <QPainter>

CLensView::CLensView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("lens_view"));
    // Every pixel is painted on each paint: nothing to erase first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
}

void CLensView::SetSource(const QImage& snapshot, const QRectF& area) {
    m_snapshot = snapshot;
    m_area = area;
}

void CLensView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (m_snapshot.isNull() || m_area.isEmpty())
        return;
    const QRectF onScreen = m_area.intersected(QRectF(m_snapshot.rect()));
    if (onScreen.isEmpty())
        return;
    // The on-screen part lands where it lies within the area, scaled like the whole.
    const qreal scaleX = width() / m_area.width();
    const qreal scaleY = height() / m_area.height();
    const QRectF target((onScreen.x() - m_area.x()) * scaleX, (onScreen.y() - m_area.y()) * scaleY,
                        onScreen.width() * scaleX, onScreen.height() * scaleY);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_snapshot, onScreen);
}
