#pragma once

#include <QString>

class WindowImplBase;

// The 59-second wait on a get-code button after a code was asked for: the button is greyed and
// disabled and counts "59s", "58s" ... "1s" on the window's timer, then reads "获取验证码" again.
// The window forwards its timer ticks; each countdown owns one timer id.
class CCodeCountdown {
public:
    static constexpr int kSeconds = 59;

    CCodeCountdown(WindowImplBase& window, QString button, unsigned timerId);

    void Start();
    // True when the tick was this countdown's.
    bool OnTimer(unsigned timerId);
    bool IsRunning() const;
    int Remaining() const { return m_remaining; }

private:
    WindowImplBase& m_window;
    QString m_button;
    unsigned m_timerId;
    int m_remaining = kSeconds;
};
