#pragma once

#include <QString>
#include <QStringList>

// The supported devices by USB vendor and product id (upper-case hexadecimal texts). Mouse
// and pen entries pair the vendor id at position i with the product id at position i.
class CDeviceCatalogue {
public:
    CDeviceCatalogue();

    const QStringList& MouseVendorIds() const { return m_mouseVids; }
    const QStringList& MouseProductIds() const { return m_mousePids; }
    const QStringList& PenVendorIds() const { return m_penVids; }
    const QStringList& PenProductIds() const { return m_penPids; }
    const QString& RecorderVendorId() const { return m_recorderVid; }
    const QString& RecorderProductId() const { return m_recorderPid; }

    // Index of the first entry with this vendor and product id, -1 when none.
    int FindMouse(const QString& vid, const QString& pid) const;
    int FindPen(const QString& vid, const QString& pid) const;
    // The third device kind is recognised by its vendor id alone.
    bool IsRecorder(const QString& vid) const { return vid == m_recorderVid; }

    static bool IsBluetoothMouse(const QString& vid, const QString& pid);
    static bool IsSecondLayoutMouse(const QString& vid, const QString& pid);

private:
    static int FindPair(const QStringList& vids, const QStringList& pids, const QString& vid,
                        const QString& pid);

    QStringList m_mouseVids;
    QStringList m_mousePids;
    QStringList m_penVids;
    QStringList m_penPids;
    QString m_recorderVid;
    QString m_recorderPid;
};
