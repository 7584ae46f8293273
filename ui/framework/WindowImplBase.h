#pragma once

#include "ui/framework/ListItem.h"
#include "ui/framework/TNotifyUI.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

#include <json/value.h>

class QListWidget;
class QListWidgetItem;
class SkinLoader;

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QEventLoop;

// One window built from one skin. A derived class names its class and skin, builds itself in
// InitWindow, reacts to notifications by control name and to custom messages. The skin is a
// Qt Designer file loaded at run time from ":/skin/<GetSkinFile()>"; a control missing from it
// is simply not found, and every helper below then does nothing.
//
// Lifetime: Close() hides the window and destroys its widget on the next turn of the event
// loop; OnFinalMessage() then runs, after which the object deletes itself when SetAutoDelete
// was called (dialogs). Deleting the object directly also destroys the widget, without
// OnFinalMessage. The title bar's close button and Alt+F4 go through Close(), unless the window
// was marked SetHideOnClose: then they only hide it.
class WindowImplBase : public QObject {
    Q_OBJECT
public:
    WindowImplBase();
    ~WindowImplBase() override;
    WindowImplBase(const WindowImplBase&) = delete;
    WindowImplBase& operator=(const WindowImplBase&) = delete;

    virtual QString GetWindowClassName() const = 0;
    virtual QString GetSkinFile() const = 0;

    // Builds the window from its skin and applies the style bits; shows it when the style has
    // the visible bit. Returns the widget, or nullptr when the window already exists.
    QWidget* Create(QWidget* parent, const QString& name, uint32_t style, uint32_t exStyle);
    QWidget* GetHWND() const { return m_widget; }
    QString GetWindowName() const { return m_name; }

    void CenterWindow();
    void ShowWindow(bool show = true, bool takeFocus = true);
    // Shows the window modal and runs a local event loop until Close(code); returns the code.
    int ShowModal();
    void Close(int code = 2);
    void SetIcon(int resourceId);
    void MoveWindow(int x, int y);
    void SetLayeredOpacity(int alpha);
    void BringToForeground();
    bool IsVisible() const;

    // Timers keep the ids the window chose; a second SetTimer with the same id restarts it.
    void SetTimer(unsigned id, int elapseMs);
    void KillTimer(unsigned id);
    bool HasTimer(unsigned id) const { return m_timers.count(id) != 0; }

    // Under the simulator every window reports the messages it handles as "message" events
    // carrying its name in "window". The program's hub (the main window) turns this on: its
    // messages are reported without a window name.
    void SetReportMessages(bool report) { m_reportMessages = report; }
    void SetAutoDelete(bool autoDelete) { m_autoDelete = autoDelete; }
    // Windows that live as long as the program (the main window, the floating windows) must
    // survive a close from the desktop: other parts keep calling them and show them again.
    void SetHideOnClose(bool hideOnClose) { m_hideOnClose = hideOnClose; }

    // Runs HandleCustomMessage on the calling thread (which must be the window's thread).
    intptr_t DeliverCustomMessage(unsigned msg, uintptr_t wParam, intptr_t lParam);

    // Controls by name.
    QWidget* FindControl(const QString& name) const;
    template <class T> T* FindControlAs(const QString& name) const {
        return qobject_cast<T*>(FindControl(name));
    }

    bool SetControlText(const QString& name, const QString& text);
    QString GetControlText(const QString& name) const;
    void SetControlVisible(const QString& name, bool visible);
    bool IsControlVisible(const QString& name) const;
    void SetControlEnabled(const QString& name, bool enabled);
    bool IsControlEnabled(const QString& name) const;
    void SetControlFocus(const QString& name);
    void SetCheck(const QString& name, bool checked);
    bool GetCheck(const QString& name) const;
    void SetOptionSelected(const QString& name, bool selected) { SetCheck(name, selected); }
    bool IsOptionSelected(const QString& name) const { return GetCheck(name); }
    void SetFixedWidth(const QString& name, int width);
    void SetFixedHeight(const QString& name, int height);
    // "file='dir/pic.png' dest='...'" or a bare path below the skin root; empty clears it.
    void SetBkImage(const QString& name, const QString& description);
    void SetBkColor(const QString& name, uint32_t argb);
    void SetTextColor(const QString& name, uint32_t argb);
    // The same for one control (a control of a list row, which shares its name with the
    // other rows'); nothing for nullptr.
    bool SetControlText(QWidget* control, const QString& text);
    void SetControlVisible(QWidget* control, bool visible);
    void SetControlEnabled(QWidget* control, bool enabled);
    void SetBkImage(QWidget* control, const QString& description);
    // "left" or "right".
    void SetAlign(const QString& name, const QString& align);

    // List boxes (list widgets and combo boxes).
    bool AddListItem(const QString& listName, const ListItem& item);
    void RemoveAllListItems(const QString& listName);
    int GetListCount(const QString& listName) const;
    ListItem GetListItem(const QString& listName, int index) const;
    bool SelectListItem(const QString& listName, int index);
    int GetListCurSel(const QString& listName) const;
    int FindListItem(const QString& listName, const QString& itemName) const;

    // Tab layouts (tab widgets and stacked widgets).
    bool SelectTabPage(const QString& name, int index);
    int GetTabPage(const QString& name) const;

    // Progress bars and sliders.
    void SetRange(const QString& name, int minimum, int maximum);
    void SetValue(const QString& name, int value);
    int GetValue(const QString& name) const;

    // Rows made from a row skin (":/skin/<rowSkin>", e.g. "listitem.xml") in a list widget: each
    // row is a set of controls of its own, named as in the row skin, wired like the window's
    // (their notifications reach Notify with the control's name). The item keeps name, text and
    // tag; a whole-number tag becomes the tag of every control of the row that has none of its
    // own. Returns the row's widget, nullptr when the list or the row skin is missing.
    QWidget* AddListRow(const QString& listName, const QString& rowSkin, const ListItem& item);
    // Rows of one row skin for many items, each made as it comes into view or when one of its
    // controls is asked for (FindRowControl, the simulator's tools): a list of thousands shows
    // at once. fill(row, i) sets up the row of items[i] when the row is made, before it is shown
    // and wired: a row is polished once, with its own pictures, and its set-up sends no
    // notifications; it should read what it shows as it is then. False when the list or the
    // row skin is missing (nothing is added).
    bool AddListRows(const QString& listName, const QString& rowSkin,
                     const std::vector<ListItem>& items,
                     std::function<void(QWidget* row, int index)> fill);
    // Makes the rows of AddListRows not made yet: those whose tag is the given one, or all.
    // Returns how many were made.
    int MakePendingRows(std::optional<qlonglong> tag = std::nullopt);
    // A control of one row (by the row's position in the list), nullptr when there is none.
    QWidget* FindRowControl(const QString& listName, int row, const QString& name);

    // A number a control carries (a row index on a row's delete button). The simulator's tools
    // address one of several same-named controls by it (--tag N).
    void SetTag(const QString& name, intptr_t tag);
    void SetTag(QWidget* control, intptr_t tag);
    // The control's tag, else the tag of the list row it sits in; 0 when neither has one.
    static intptr_t GetTag(const QWidget* control);

    // Re-resolves every control text and list item text that came from a text id (after a
    // language change).
    void ReloadTexts();

signals:
    // Emitted once the widget is gone, just before OnFinalMessage.
    void windowFinal(WindowImplBase* window);

protected:
    virtual void InitWindow() {}
    virtual void OnFinalMessage() {}
    virtual void Notify(const TNotifyUI& msg);
    virtual void OnClick(const TNotifyUI& msg) {}
    virtual intptr_t HandleCustomMessage(unsigned msg, uintptr_t wParam, intptr_t lParam,
                                         bool& handled);
    virtual void OnTimer(unsigned id) {}
    // The window lost activation (another window got the focus).
    virtual void OnWindowDeactivated() {}
    // The user asked the window manager to close the window; return false to keep it.
    virtual bool OnCloseRequest() { return true; }
    // Last chance to adjust the Qt window flags computed from the style bits.
    virtual Qt::WindowFlags AdjustWindowFlags(Qt::WindowFlags flags) const { return flags; }

    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* LoadSkin();
    void ApplyStyle(QWidget* parent, uint32_t style, uint32_t exStyle);
    void WireControls(QWidget* root);
    void WireControl(QWidget* control);
    void WireValueReports(QWidget* control);
    void ResolveTextIds(QWidget* root);
    // A row widget from a row skin inside the list's viewport, tagged and set up by fill.
    QWidget* MakeRow(QListWidget* list, const QString& rowSkin, const QVariant& tag,
                     const std::function<void(QWidget*)>& fill);
    // The row of an item added by AddListRows, made now if it is not made yet.
    QWidget* MakePendingRow(QListWidget* list, QListWidgetItem* entry);
    // The widget of an item's row from its recipe, not in the list yet; nullptr without one.
    QWidget* MakePendingRowWidget(QListWidget* list, const QListWidgetItem* entry);
    // Shows row as the item's row; its controls notify the window from now on.
    void AttachRow(QListWidget* list, QListWidgetItem* entry, QWidget* row);
    // The items of a list box or combo box whose text came from a text id.
    void ReloadItemTexts(QWidget* control);
    void SendNotify(const QString& type, QWidget* sender, uintptr_t wParam = 0, intptr_t lParam = 0,
                    const QString& link = QString());
    void ReportWindowState(bool visible) const;
    // A "control" event with one field the program set or the user changed; never for a
    // password edit.
    void ReportControl(const QWidget* control, const char* field, const Json::Value& value) const;
    void ReportControlFields(const QWidget* control, const Json::Value& fields) const;
    // A list's items, reported once per turn of the event loop however many calls changed them.
    void ReportItems(const QWidget* list);
    // Reports the queued items of one list now (only) or of every list (nullptr).
    void FlushItemReports(const QWidget* only = nullptr);
    // A list's current item: "selected" its name, with its "text"; null when none is current.
    void ReportSelection(const QWidget* list);
    // A change the user made (not one of the setters below, which report for themselves).
    void ReportUserChange(const QWidget* control, const char* field,
                          const Json::Value& value) const;
    void DestroyWidget();
    void OnWidgetDestroyed();
    void ApplyStyleSheetPart(QWidget* control, const char* property, const QString& rule);

    QPointer<QWidget> m_widget;
    // The control a setter is changing: its change signals are the program's, not the user's.
    const QWidget* m_settingControl = nullptr;
    QString m_name;
    uint32_t m_style = 0;
    uint32_t m_exStyle = 0;
    std::map<unsigned, int> m_timers; // window timer id -> Qt timer id
    std::vector<QPointer<const QWidget>> m_itemsToReport;
    std::unique_ptr<SkinLoader> m_skinLoader;
    bool m_itemsReportQueued = false;
    QEventLoop* m_modalLoop = nullptr;
    int* m_modalResult = nullptr;
    int m_closeCode = 2;
    bool m_closing = false;
    bool m_reportMessages = false;
    bool m_autoDelete = false;
    bool m_hideOnClose = false;
    bool m_final = false;
};
