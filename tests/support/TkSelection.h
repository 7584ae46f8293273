#pragma once

// Another program on the test X server that selects text: a Tk entry in a `wish` process. Each
// selection makes Tk the owner of PRIMARY, as highlighting text in any program does.

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>

#include <string>

namespace testsupport {

class TkSelection {
public:
    explicit TkSelection(std::string display) : m_display(std::move(display)) {}

    ~TkSelection() {
        if (m_tk.state() == QProcess::NotRunning)
            return;
        m_tk.write("exit\n");
        m_tk.waitForBytesWritten(5000);
        if (!m_tk.waitForFinished(5000))
            m_tk.kill();
    }

    TkSelection(const TkSelection&) = delete;
    TkSelection& operator=(const TkSelection&) = delete;

    // Puts the text into the entry and selects it whole; true once Tk says it has done so
    // (wish is started on the first call).
    bool Select(const QString& text) {
        if (m_tk.state() == QProcess::NotRunning && !Start())
            return false;
        const QString script = QStringLiteral(".e delete 0 end\n"
                                              ".e insert 0 [encoding convertfrom utf-8 {%1}]\n"
                                              ".e selection range 0 end\nupdate\n"
                                              "puts selected\nflush stdout\n")
                                   .arg(text);
        m_tk.write(script.toUtf8());
        if (!m_tk.waitForBytesWritten(10000))
            return false;
        while (!m_tk.canReadLine()) {
            if (!m_tk.waitForReadyRead(10000))
                return false;
        }
        return m_tk.readLine().trimmed() == "selected";
    }

private:
    bool Start() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), QString::fromStdString(m_display));
        m_tk.setProcessEnvironment(environment);
        m_tk.start(QStringLiteral("wish"), {});
        if (!m_tk.waitForStarted(10000))
            return false;
        m_tk.write("encoding system utf-8\nentry .e -width 40\npack .e\nupdate\n");
        return m_tk.waitForBytesWritten(10000);
    }

    std::string m_display;
    QProcess m_tk;
};

} // namespace testsupport
