#include "device/CDeviceCatalogue.h"

CDeviceCatalogue::CDeviceCatalogue()
    : m_mouseVids{"6352", "3CDE", "95F1", "A5C4", "5698", "10D6", "B75C", "1915", "A5C4"},
      m_mousePids{"C098", "A217", "A1B6", "CD06", "8723", "B006", "92CD", "0085", "CD06"},
      m_penVids{"B75C", "6352"}, m_penPids{"A217", "A317"}, m_recorderVid("04D6"),
      m_recorderPid("E101") {}

int CDeviceCatalogue::FindPair(const QStringList& vids, const QStringList& pids, const QString& vid,
                               const QString& pid) {
    const int count = std::min(vids.size(), pids.size());
    for (int i = 0; i < count; ++i) {
        if (vids[i] == vid && pids[i] == pid)
            return i;
    }
    return -1;
}

int CDeviceCatalogue::FindMouse(const QString& vid, const QString& pid) const {
    return FindPair(m_mouseVids, m_mousePids, vid, pid);
}

int CDeviceCatalogue::FindPen(const QString& vid, const QString& pid) const {
    return FindPair(m_penVids, m_penPids, vid, pid);
}

bool CDeviceCatalogue::IsBluetoothMouse(const QString& vid, const QString& pid) {
    return vid == QLatin1String("10D6") && pid == QLatin1String("B006");
}

bool CDeviceCatalogue::IsSecondLayoutMouse(const QString& vid, const QString& pid) {
    return vid == QLatin1String("5698") && pid == QLatin1String("8723");
}
