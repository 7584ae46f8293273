#pragma once

#include <QImage>
#include <QRectF>
#include <QWidget>

// The face of the magnifier lens: an area of a screen snapshot, smoothly scaled to fill the
// view. What lies outside the snapshot (beyond the screen's edges), or everything when there is
// no snapshot, is black. UI thread only.
class CLensView : public QWidget {
public:
    explicit CLensView(QWidget* parent = nullptr);

    // The picture (shared, not copied) and the area of it, in its pixels, to show.
    void SetSource(const QImage& snapshot, const QRectF& area);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_snapshot;
    QRectF m_area;
};
