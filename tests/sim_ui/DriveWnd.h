#pragma once

#include "ui/framework/FileDialogs.h"
#include "ui/framework/MessageBox.h"
#include "ui/framework/WindowConstants.h"
#include "ui/framework/WindowImplBase.h"

#include <QComboBox>
#include <QListView>
#include <QStandardItemModel>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

// A window over the test skin that the simulator's tools drive; it records what reaches it.
class DriveWnd : public WindowImplBase {
public:
    static constexpr int kRows = 3;

    explicit DriveWnd(QString name = QStringLiteral("DriveWnd")) : m_name(std::move(name)) {}
    QString GetWindowClassName() const override { return QStringLiteral("DriveWnd"); }
    QString GetSkinFile() const override { return QStringLiteral("DriveWnd.xml"); }

    bool Open() {
        if (Create(nullptr, m_name, 0, 0) == nullptr)
            return false;
        ShowWindow(true, false);
        return true;
    }

    std::vector<TNotifyUI> notes;
    std::vector<intptr_t> messages;
    std::optional<ui::MessageBoxAnswer> boxAnswer;
    std::optional<QString> picked;
    int modalResult = -1;
    // What the next click on msg_btn and file_btn asks.
    ui::MessageBoxButtons boxButtons = ui::MessageBoxButtons::OkCancel;
    bool pickFolder = false;

protected:
    void InitWindow() override {
        AddListItem(QStringLiteral("lang_com"),
                    {QStringLiteral("en"), QStringLiteral("English"), 0});
        AddListItem(QStringLiteral("lang_com"), {QStringLiteral("cn"), QStringLiteral("中文"), 1});
        AddListItem(QStringLiteral("lang_com"),
                    {QStringLiteral("jp"), QStringLiteral("日本語"), 2});
        AddListItem(QStringLiteral("lang_com"),
                    {QStringLiteral("ko"), QStringLiteral("한국어"), 3});
        HideComboItem(QStringLiteral("lang_com"), 2);
        for (int row = 0; row < kRows; ++row) {
            AddListRow(QStringLiteral("row_list"), QStringLiteral("driverow.xml"),
                       {QStringLiteral("row%1").arg(row), QStringLiteral("Row %1").arg(row), row});
        }
        SetRange(QStringLiteral("zoom_sld"), 0, 100);
    }
    void Notify(const TNotifyUI& msg) override {
        notes.push_back(msg);
        WindowImplBase::Notify(msg);
    }
    void OnClick(const TNotifyUI& msg) override {
        if (msg.senderName == QLatin1String("msg_btn")) {
            ui::ShowMessageBox(GetHWND(), QStringLiteral("Delete it?"), QStringLiteral("Velmora"),
                               boxButtons, ui::MessageBoxIcon::Question,
                               [this](ui::MessageBoxAnswer answer) { boxAnswer = answer; });
        } else if (msg.senderName == QLatin1String("file_btn")) {
            auto done = [this](const QString& path) { picked = path; };
            if (pickFolder)
                ui::PickFolder(GetHWND(), QStringLiteral("Select the current directory"),
                               QStringLiteral("/home"), done);
            else
                ui::PickFile(GetHWND(), QStringLiteral("Pick"), QStringLiteral("/usr/share"),
                             {QStringLiteral("Applications (*.desktop)")}, done);
        } else if (msg.senderName == QLatin1String("modal_btn")) {
            DriveWnd dialog(QStringLiteral("DriveModal"));
            dialog.Create(GetHWND(), QStringLiteral("DriveModal"), 0, 0);
            modalResult = dialog.ShowModal();
        } else if (GetWindowName() == QLatin1String("DriveModal") &&
                   msg.senderName == QLatin1String("go_btn")) {
            Close(ui::IDOK);
        }
    }
    intptr_t HandleCustomMessage(unsigned msg, uintptr_t, intptr_t lParam, bool& handled) override {
        handled = true;
        messages.push_back(static_cast<intptr_t>(msg) * 1000 + lParam);
        return 0;
    }

private:
    void HideComboItem(const QString& name, int index);

    QString m_name;
};

// The way the main window keeps a device kind out of its chooser: a hidden, disabled row.
inline void DriveWnd::HideComboItem(const QString& name, int index) {
    auto* combo = FindControlAs<QComboBox>(name);
    if (auto* view = qobject_cast<QListView*>(combo->view()))
        view->setRowHidden(index, true);
    if (auto* model = qobject_cast<QStandardItemModel*>(combo->model()))
        model->item(index)->setEnabled(false);
}
