#pragma once

#include <QObject>

class QSocketNotifier;

namespace platform {

// Turns SIGTERM, SIGINT and SIGHUP into a clean end of the event loop, so a session logout or a
// stop request runs the normal shutdown instead of killing the process mid-write.
class TerminationSignals : public QObject {
    Q_OBJECT
public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

private:
    void OnSignalled();
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace platform
