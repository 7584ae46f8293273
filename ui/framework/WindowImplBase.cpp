#include "ui/framework/WindowImplBase.h"

#include "platform/QueueHandOver.h"
#include "platform/SimEvents.h"
#include "ui/framework/CResourceManager.h"
#include "ui/framework/CWindowRegistry.h"
#include "ui/framework/ControlState.h"
#include "ui/framework/LazyListRows.h"
#include "ui/framework/SkinIcons.h"
#include "ui/framework/SkinLoader.h"
#include "ui/framework/WindowConstants.h"
#include "ui/framework/WindowMessage.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScreen>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimerEvent>

#include <json/value.h>

#include <algorithm>

namespace {

const char* const kTextIdProperty = "velmoraTextId";
const char* const kBkImageRule = "velmoraBkImage";
const char* const kBkColorRule = "velmoraBkColor";
const char* const kTextColorRule = "velmoraTextColor";
constexpr int kNameRole = ui::kListNameRole;
constexpr int kTagRole = ui::kListTagRole;
constexpr int kTextIdRole = ui::kListTextIdRole;

// Marks a control as being changed by the program for the length of a setter.
class SettingControl {
public:
    SettingControl(const QWidget*& slot, const QWidget* control) : m_slot(slot), m_previous(slot) {
        m_slot = control;
    }
    ~SettingControl() { m_slot = m_previous; }
    SettingControl(const SettingControl&) = delete;
    SettingControl& operator=(const SettingControl&) = delete;

private:
    const QWidget*& m_slot;
    const QWidget* m_previous;
};

// Check boxes report "checked"; options (exclusive buttons) "selected".
const char* CheckField(const QAbstractButton* button) {
    return button->autoExclusive() || button->group() != nullptr ? "selected" : "checked";
}

// Qt makes the first row of a list without a current row current when the list takes the
// focus by any means but a mouse press, and the list reports that as "itemselect", which reads
// as the user's choice. Setting "no current row" on purpose just before the focus arrives
// tells Qt the list's state was chosen, so it stays without a current row until the user picks.
void KeepListWithoutCurrentRow(QObject* watched) {
    auto* list = qobject_cast<QListWidget*>(watched);
    if (list != nullptr && list->currentRow() < 0)
        list->setCurrentIndex(QModelIndex());
}

bool IsInternalName(const QString& name) {
    return name.isEmpty() || name.startsWith(QLatin1String("qt_"));
}

bool WriteText(QWidget* control, const QString& text) {
    if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(text);
    else if (auto* line = qobject_cast<QLineEdit*>(control))
        line->setText(text);
    else if (auto* rich = qobject_cast<QTextEdit*>(control))
        rich->setPlainText(text);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(control))
        plain->setPlainText(text);
    else if (auto* group = qobject_cast<QGroupBox*>(control))
        group->setTitle(text);
    else if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->isEditable())
        combo->setEditText(text);
    else if (control->isWindow())
        control->setWindowTitle(text);
    else
        return false;
    return true;
}

// The text a list item shows: a text id's text in the current language, else the text as given
// (an id no table knows is shown as it is, as SetControlText does).
QString ShownItemText(const QString& text) {
    if (!CResourceManager::IsTextId(text))
        return text;
    const QString resolved = CResourceManager::Instance().GetText(text);
    return resolved.isEmpty() ? text : resolved;
}

// The id an item keeps for language changes; none for plain text.
QVariant ItemTextId(const QString& text) {
    return CResourceManager::IsTextId(text) ? QVariant(text) : QVariant();
}

// Skins size their combos to their items when shown (AdjustToContentsOnFirstShow): a hidden
// window then measures no item texts, and its fallback fonts (the language names in their own
// scripts) stay unloaded until a person opens it. A combo that is on screen refits at once.
void RefitShownCombo(QComboBox* combo) {
    if (!combo->isVisible() || combo->sizeAdjustPolicy() != QComboBox::AdjustToContentsOnFirstShow)
        return;
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContentsOnFirstShow);
}

QString SkinPicturePath(const QString& description) {
    static const QRegularExpression fileAttribute(QStringLiteral("file\\s*=\\s*'([^']*)'"));
    QString path = description.trimmed();
    const QRegularExpressionMatch match = fileAttribute.match(path);
    if (match.hasMatch())
        path = match.captured(1);
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (path.isEmpty() || path.startsWith(QLatin1Char(':')) || path.startsWith(QLatin1Char('/')))
        return path;
    return QStringLiteral(":/skin/") + path;
}

QString RgbaText(uint32_t argb) {
    return QStringLiteral("rgba(%1,%2,%3,%4)")
        .arg((argb >> 16) & 0xFF)
        .arg((argb >> 8) & 0xFF)
        .arg(argb & 0xFF)
        .arg((argb >> 24) & 0xFF);
}

} // namespace

WindowImplBase::WindowImplBase() : m_skinLoader(std::make_unique<SkinLoader>()) {
    CWindowRegistry::Instance().Add(this);
}

WindowImplBase::~WindowImplBase() {
    // From here on no thread can queue anything for this window; what is queued dies with it.
    CWindowRegistry::Instance().Remove(this);
    m_final = true; // no notifications from controls torn down below
    m_closing = true;
    if (m_modalLoop != nullptr)
        m_modalLoop->exit(0);
    if (m_widget) {
        QWidget* widget = m_widget.data();
        disconnect(widget, nullptr, this, nullptr);
        if (widget->isVisible())
            ReportWindowState(false);
        delete widget;
    }
}

QWidget* WindowImplBase::Create(QWidget* parent, const QString& name, uint32_t style,
                                uint32_t exStyle) {
    if (m_widget)
        return nullptr;
    m_name = name;
    m_style = style;
    m_exStyle = exStyle;
    m_closing = false;
    m_final = false;
    m_closeCode = ui::IDCANCEL;

    QWidget* widget = LoadSkin();
    m_widget = widget;
    connect(widget, &QObject::destroyed, this, [this] { OnWidgetDestroyed(); });
    widget->installEventFilter(this);
    ApplyStyle(parent, style, exStyle);
    ResolveTextIds(widget);
    WireControls(widget);
    InitWindow();
    if (m_widget && (style & ui::WS_VISIBLE) != 0)
        ShowWindow(true, true);
    return m_widget;
}

QWidget* WindowImplBase::LoadSkin() {
    QWidget* widget = m_skinLoader->LoadWindow(GetSkinFile());
    // A window whose skin is missing still exists; it just has no controls.
    if (widget == nullptr)
        widget = new QWidget;
    widget->setWindowTitle(m_name);
    return widget;
}

void WindowImplBase::ApplyStyle(QWidget* parent, uint32_t style, uint32_t exStyle) {
    Qt::WindowFlags flags = (exStyle & ui::WS_EX_TOOLWINDOW) != 0 ? Qt::Tool : Qt::Window;
    if ((style & ui::WS_CAPTION) == ui::WS_CAPTION) {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if ((style & ui::WS_SYSMENU) != 0)
            flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if ((style & ui::WS_MINIMIZEBOX) != 0)
            flags |= Qt::WindowMinimizeButtonHint;
        if ((style & ui::WS_MAXIMIZEBOX) != 0)
            flags |= Qt::WindowMaximizeButtonHint;
    } else {
        flags |= Qt::FramelessWindowHint;
    }
    if ((exStyle & ui::WS_EX_TOPMOST) != 0)
        flags |= Qt::WindowStaysOnTopHint;
    if ((exStyle & ui::WS_EX_TRANSPARENT) != 0) {
        flags |= Qt::WindowTransparentForInput;
        m_widget->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    if ((exStyle & ui::WS_EX_NOACTIVATE) != 0) {
        flags |= Qt::WindowDoesNotAcceptFocus;
        m_widget->setAttribute(Qt::WA_ShowWithoutActivating);
    }
    m_widget->setParent(parent, AdjustWindowFlags(flags));
}

void WindowImplBase::WireControls(QWidget* root) {
    QList<QWidget*> controls = root->findChildren<QWidget*>();
    if (root != m_widget.data())
        controls.prepend(root);
    for (QWidget* control : controls) {
        if (!IsInternalName(control->objectName()))
            WireControl(control);
    }
}

void WindowImplBase::WireControl(QWidget* control) {
    control->installEventFilter(this);
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        connect(button, &QAbstractButton::clicked, this,
                [this, button] { SendNotify(ui::notify::kClick, button); });
        if (button->isCheckable()) {
            connect(button, &QAbstractButton::toggled, this, [this, button](bool checked) {
                SendNotify(ui::notify::kSelectChanged, button, checked ? 1 : 0);
            });
        }
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        connect(combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                [this, combo, previous = combo->currentIndex()](int index) mutable {
                    const int old = previous;
                    previous = index;
                    SendNotify(ui::notify::kItemSelect, combo, static_cast<uintptr_t>(index), old);
                });
    } else if (auto* list = qobject_cast<QListWidget*>(control)) {
        connect(list, &QListWidget::currentRowChanged, this,
                [this, list, previous = list->currentRow()](int row) mutable {
                    const int old = previous;
                    previous = row;
                    SendNotify(ui::notify::kItemSelect, list, static_cast<uintptr_t>(row), old);
                });
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(control)) {
        connect(slider, &QAbstractSlider::valueChanged, this, [this, slider](int value) {
            SendNotify(ui::notify::kMoveValueChanged, slider, static_cast<uintptr_t>(value));
        });
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setOpenExternalLinks(false);
        connect(label, &QLabel::linkActivated, this, [this, label](const QString& link) {
            SendNotify(ui::notify::kLink, label, 0, 0, link);
        });
    } else if (auto* line = qobject_cast<QLineEdit*>(control)) {
        if (line->echoMode() != QLineEdit::Normal)
            line->setProperty(ui::kSecretProperty, true);
        // textEdited comes from the user's editing only, never from setText.
        connect(line, &QLineEdit::textEdited, this,
                [this, line] { SendNotify(ui::notify::kTextChanged, line); });
    } else if (auto* rich = qobject_cast<QTextEdit*>(control)) {
        connect(rich, &QTextEdit::textChanged, this, [this, rich] {
            if (m_settingControl != rich)
                SendNotify(ui::notify::kTextChanged, rich);
        });
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
        connect(plain, &QPlainTextEdit::textChanged, this, [this, plain] {
            if (m_settingControl != plain)
                SendNotify(ui::notify::kTextChanged, plain);
        });
    }
    WireValueReports(control);
}

void WindowImplBase::WireValueReports(QWidget* control) {
    if (!platform::SimulatorActive())
        return;
    if (auto* button = qobject_cast<QAbstractButton*>(control); button && button->isCheckable()) {
        connect(button, &QAbstractButton::toggled, this, [this, button](bool checked) {
            ReportUserChange(button, CheckField(button), checked);
        });
    } else if (auto* combo = qobject_cast<QComboBox*>(control)) {
        connect(combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this, [this, combo] {
            if (combo != m_settingControl && !m_final)
                ReportSelection(combo);
        });
    } else if (auto* list = qobject_cast<QListWidget*>(control)) {
        connect(list, &QListWidget::currentRowChanged, this, [this, list] {
            if (list != m_settingControl && !m_final)
                ReportSelection(list);
        });
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(control)) {
        connect(slider, &QAbstractSlider::valueChanged, this,
                [this, slider](int value) { ReportUserChange(slider, "value", value); });
    } else if (auto* tabs = qobject_cast<QTabWidget*>(control)) {
        connect(tabs, &QTabWidget::currentChanged, this,
                [this, tabs](int page) { ReportUserChange(tabs, "page", page); });
    }
}

void WindowImplBase::ResolveTextIds(QWidget* root) {
    QList<QWidget*> controls = root->findChildren<QWidget*>();
    controls.prepend(root);
    const CResourceManager& resources = CResourceManager::Instance();
    for (QWidget* control : controls) {
        const QString text = ui::ReadControlText(control);
        if (!CResourceManager::IsTextId(text))
            continue;
        control->setProperty(kTextIdProperty, text);
        // An id no table knows is left blank rather than shown to the user.
        WriteText(control, resources.GetText(text));
    }
}

void WindowImplBase::ReloadTexts() {
    if (!m_widget)
        return;
    QList<QWidget*> controls = m_widget->findChildren<QWidget*>();
    controls.prepend(m_widget);
    const CResourceManager& resources = CResourceManager::Instance();
    for (QWidget* control : controls) {
        ReloadItemTexts(control);
        const QString id = control->property(kTextIdProperty).toString();
        if (id.isEmpty())
            continue;
        const QString resolved = resources.GetText(id);
        if (!resolved.isEmpty() && WriteText(control, resolved))
            ReportControl(control, "text", resolved.toStdString());
    }
}

void WindowImplBase::ReloadItemTexts(QWidget* control) {
    const CResourceManager& resources = CResourceManager::Instance();
    bool changed = false;
    // Renaming an item changes neither the selection nor the names the code compares.
    auto retext = [&](const QVariant& id, const QString& shown, auto write) {
        const QString resolved = id.isValid() ? resources.GetText(id.toString()) : QString();
        if (resolved.isEmpty() || resolved == shown)
            return;
        write(resolved);
        changed = true;
    };
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        for (int i = 0; i < combo->count(); ++i)
            retext(combo->itemData(i, kTextIdRole), combo->itemText(i),
                   [combo, i](const QString& text) { combo->setItemText(i, text); });
    } else if (auto* list = qobject_cast<QListWidget*>(control)) {
        for (int i = 0; i < list->count(); ++i) {
            QListWidgetItem* row = list->item(i);
            retext(row->data(kTextIdRole), row->text(),
                   [row](const QString& text) { row->setText(text); });
        }
    }
    if (!changed)
        return;
    if (auto* combo = qobject_cast<QComboBox*>(control))
        RefitShownCombo(combo);
    ReportItems(control);
}

void WindowImplBase::SendNotify(const QString& type, QWidget* sender, uintptr_t wParam,
                                intptr_t lParam, const QString& link) {
    if (m_final || m_closing)
        return;
    TNotifyUI msg;
    msg.sType = type;
    msg.senderName = sender->objectName();
    msg.pSender = sender;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.linkTarget = link;
    msg.tag = GetTag(sender);
    Notify(msg);
}

void WindowImplBase::Notify(const TNotifyUI& msg) {
    if (msg.sType == ui::notify::kClick)
        OnClick(msg);
}

intptr_t WindowImplBase::HandleCustomMessage(unsigned, uintptr_t, intptr_t, bool& handled) {
    handled = false;
    return 0;
}

intptr_t WindowImplBase::DeliverCustomMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
    if (platform::SimulatorActive()) {
        Json::Value event;
        event["kind"] = "message";
        event["msg"] = msg;
        event["wparam"] = static_cast<Json::UInt64>(wParam);
        event["lparam"] = static_cast<Json::Int64>(lParam);
        if (!m_reportMessages)
            event["window"] = m_name.toStdString();
        platform::EmitSimEvent(event);
    }
    bool handled = false;
    return HandleCustomMessage(msg, wParam, lParam, handled);
}

bool WindowImplBase::event(QEvent* event) {
    // Events may come from other threads (PostMessage); Qt's queue ordered them.
    platform::MarkTakenOver(event);
    if (event->type() == CustomMessageEvent::EventType()) {
        auto* message = static_cast<CustomMessageEvent*>(event);
        DeliverCustomMessage(message->msg, message->wParam, message->lParam);
        return true;
    }
    if (event->type() == WindowTaskEvent::EventType()) {
        auto* task = static_cast<WindowTaskEvent*>(event);
        if (task->task)
            task->task();
        return true;
    }
    if (event->type() == QEvent::Timer) {
        const int qtId = static_cast<QTimerEvent*>(event)->timerId();
        for (const auto& [id, running] : m_timers) {
            if (running == qtId) {
                OnTimer(id);
                return true;
            }
        }
    }
    return QObject::event(event);
}

bool WindowImplBase::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_widget.data()) {
        if (event->type() == QEvent::Close && !m_closing) {
            if (m_hideOnClose) {
                event->ignore();
                ShowWindow(false);
                return true;
            }
            if (!OnCloseRequest()) {
                event->ignore();
                return true;
            }
            Close(ui::IDCANCEL);
            return false;
        }
        if (event->type() == QEvent::WindowDeactivate && !m_closing)
            OnWindowDeactivated();
    }
    if (event->type() == QEvent::FocusIn)
        KeepListWithoutCurrentRow(watched);
    if (watched != m_widget.data() && !m_closing) {
        auto* control = qobject_cast<QWidget*>(watched);
        if (control != nullptr && event->type() == QEvent::Enter)
            SendNotify(ui::notify::kMouseEnter, control);
        else if (control != nullptr && event->type() == QEvent::Leave)
            SendNotify(ui::notify::kMouseLeave, control);
    }
    return QObject::eventFilter(watched, event);
}

void WindowImplBase::SetTimer(unsigned id, int elapseMs) {
    KillTimer(id);
    const int qtId = startTimer(elapseMs < 0 ? 0 : elapseMs);
    if (qtId != 0)
        m_timers[id] = qtId;
}

void WindowImplBase::KillTimer(unsigned id) {
    auto it = m_timers.find(id);
    if (it == m_timers.end())
        return;
    killTimer(it->second);
    m_timers.erase(it);
}

void WindowImplBase::CenterWindow() {
    if (!m_widget)
        return;
    QRect area;
    if (QWidget* owner = m_widget->parentWidget())
        area = owner->window()->frameGeometry();
    else if (QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (!area.isValid())
        return;
    const QSize size = m_widget->size();
    m_widget->move(area.x() + (area.width() - size.width()) / 2,
                   area.y() + (area.height() - size.height()) / 2);
}

void WindowImplBase::ShowWindow(bool show, bool takeFocus) {
    if (!m_widget)
        return;
    const bool wasVisible = m_widget->isVisible();
    if (show) {
        m_widget->setAttribute(Qt::WA_ShowWithoutActivating,
                               !takeFocus || (m_exStyle & ui::WS_EX_NOACTIVATE) != 0);
        m_widget->show();
        if (takeFocus) {
            m_widget->raise();
            m_widget->activateWindow();
        }
    } else {
        m_widget->hide();
    }
    if (wasVisible != show)
        ReportWindowState(show);
}

int WindowImplBase::ShowModal() {
    if (!m_widget || m_modalLoop != nullptr)
        return -1;
    const bool visible = m_widget->isVisible();
    if (visible)
        m_widget->hide();
    m_widget->setWindowModality(m_widget->parentWidget() != nullptr ? Qt::WindowModal
                                                                    : Qt::ApplicationModal);
    QEventLoop loop;
    int result = m_closeCode;
    m_modalLoop = &loop;
    m_modalResult = &result;
    if (visible)
        m_widget->show();
    else
        ShowWindow(true, true);
    loop.exec(QEventLoop::DialogExec);
    // The window may be gone by now (auto-deleted dialogs): only locals from here on.
    return result;
}

void WindowImplBase::Close(int code) {
    if (!m_widget || m_closing)
        return;
    m_closing = true;
    m_closeCode = code;
    if (m_modalResult != nullptr)
        *m_modalResult = code;
    ShowWindow(false);
    // Destroying the widget later lets the notification that asked for the close finish first.
    QCoreApplication::postEvent(this, new WindowTaskEvent([this] { DestroyWidget(); }));
}

void WindowImplBase::DestroyWidget() {
    if (m_widget)
        delete m_widget.data();
}

void WindowImplBase::OnWidgetDestroyed() {
    if (m_final)
        return;
    m_final = true;
    for (const auto& timer : m_timers)
        killTimer(timer.second);
    m_timers.clear();
    if (m_modalLoop != nullptr) {
        m_modalLoop->exit(0);
        m_modalLoop = nullptr;
        m_modalResult = nullptr;
    }
    emit windowFinal(this);
    OnFinalMessage();
    if (m_autoDelete)
        deleteLater();
}

void WindowImplBase::SetIcon(int resourceId) {
    if (m_widget)
        m_widget->setWindowIcon(SkinIcon(resourceId));
}

void WindowImplBase::MoveWindow(int x, int y) {
    if (m_widget)
        m_widget->move(x, y);
}

void WindowImplBase::SetLayeredOpacity(int alpha) {
    if (m_widget)
        m_widget->setWindowOpacity(qBound(0, alpha, 255) / 255.0);
}

void WindowImplBase::BringToForeground() {
    ShowWindow(true, true);
}

bool WindowImplBase::IsVisible() const {
    return m_widget && m_widget->isVisible();
}

void WindowImplBase::ReportWindowState(bool visible) const {
    const QRect frame = m_widget->geometry();
    Json::Value event;
    event["kind"] = "window";
    event["name"] = m_name.toStdString();
    event["visible"] = visible;
    event["x"] = frame.x();
    event["y"] = frame.y();
    event["w"] = frame.width();
    event["h"] = frame.height();
    platform::EmitSimEvent(event);
}

void WindowImplBase::ReportControl(const QWidget* control, const char* field,
                                   const Json::Value& value) const {
    Json::Value fields(Json::objectValue);
    fields[field] = value;
    ReportControlFields(control, fields);
}

void WindowImplBase::ReportControlFields(const QWidget* control, const Json::Value& fields) const {
    if (!platform::SimulatorActive() || control == nullptr || ui::IsSecretControl(control))
        return;
    Json::Value event;
    event["kind"] = "control";
    event["window"] = m_name.toStdString();
    event["control"] = control->objectName().toStdString();
    for (const std::string& field : fields.getMemberNames())
        event[field] = fields[field];
    if (const auto tag = ui::ControlTag(control); tag && !fields.isMember("tag"))
        event["tag"] = static_cast<Json::Int64>(*tag);
    platform::EmitSimEvent(event);
}

void WindowImplBase::ReportItems(const QWidget* list) {
    if (!platform::SimulatorActive() || list == nullptr)
        return;
    // Filling a list adds item after item: one report per list and turn of the event loop.
    const bool queued = std::any_of(m_itemsToReport.begin(), m_itemsToReport.end(),
                                    [list](const QPointer<const QWidget>& p) { return p == list; });
    if (!queued)
        m_itemsToReport.emplace_back(list);
    if (m_itemsReportQueued)
        return;
    m_itemsReportQueued = true;
    QMetaObject::invokeMethod(
        this, [this] { FlushItemReports(); }, Qt::QueuedConnection);
}

void WindowImplBase::FlushItemReports(const QWidget* only) {
    for (auto it = m_itemsToReport.begin(); it != m_itemsToReport.end();) {
        if (only != nullptr && *it != only) {
            ++it;
            continue;
        }
        // A list destroyed since it changed is left out.
        const QPointer<const QWidget> list = *it;
        it = m_itemsToReport.erase(it);
        if (list && !m_final)
            ReportControl(list, "items", ui::ListItemsJson(list));
    }
    if (only == nullptr)
        m_itemsReportQueued = false;
}

void WindowImplBase::ReportSelection(const QWidget* list) {
    if (!platform::SimulatorActive())
        return;
    // The items come before the choice among them.
    FlushItemReports(list);
    int index = -1;
    if (auto* combo = qobject_cast<const QComboBox*>(list))
        index = combo->currentIndex();
    else if (auto* widget = qobject_cast<const QListWidget*>(list))
        index = widget->currentRow();
    Json::Value fields(Json::objectValue);
    if (index < 0) {
        fields["selected"] = Json::Value::null;
    } else {
        const ListItem item = GetListItem(list->objectName(), index);
        fields["selected"] = item.name.toStdString();
        fields["text"] = item.text.toStdString();
    }
    ReportControlFields(list, fields);
}

void WindowImplBase::ReportUserChange(const QWidget* control, const char* field,
                                      const Json::Value& value) const {
    if (control != m_settingControl && !m_final)
        ReportControl(control, field, value);
}

QWidget* WindowImplBase::FindControl(const QString& name) const {
    if (!m_widget || name.isEmpty())
        return nullptr;
    if (m_widget->objectName() == name)
        return m_widget.data();
    return m_widget->findChild<QWidget*>(name);
}

bool WindowImplBase::SetControlText(const QString& name, const QString& text) {
    return SetControlText(FindControl(name), text);
}

bool WindowImplBase::SetControlText(QWidget* control, const QString& text) {
    if (control == nullptr)
        return false;
    QString shown = text;
    QString id;
    if (CResourceManager::IsTextId(text)) {
        const QString resolved = CResourceManager::Instance().GetText(text);
        if (!resolved.isEmpty()) {
            id = text;
            shown = resolved;
        }
    }
    {
        const SettingControl setting(m_settingControl, control);
        if (!WriteText(control, shown))
            return false;
    }
    control->setProperty(kTextIdProperty, id.isEmpty() ? QVariant() : QVariant(id));
    ReportControl(control, "text", shown.toStdString());
    return true;
}

QString WindowImplBase::GetControlText(const QString& name) const {
    const QWidget* control = FindControl(name);
    return control != nullptr ? ui::ReadControlText(control) : QString();
}

void WindowImplBase::SetControlVisible(const QString& name, bool visible) {
    SetControlVisible(FindControl(name), visible);
}

void WindowImplBase::SetControlVisible(QWidget* control, bool visible) {
    if (control != nullptr) {
        control->setVisible(visible);
        ReportControl(control, "visible", visible);
    }
}

bool WindowImplBase::IsControlVisible(const QString& name) const {
    const QWidget* control = FindControl(name);
    // A control counts as visible when it is not hidden itself, even while its window is.
    return control != nullptr && !control->isHidden();
}

void WindowImplBase::SetControlEnabled(const QString& name, bool enabled) {
    SetControlEnabled(FindControl(name), enabled);
}

void WindowImplBase::SetControlEnabled(QWidget* control, bool enabled) {
    if (control != nullptr) {
        control->setEnabled(enabled);
        ReportControl(control, "enabled", enabled);
    }
}

bool WindowImplBase::IsControlEnabled(const QString& name) const {
    const QWidget* control = FindControl(name);
    return control != nullptr && control->isEnabled();
}

void WindowImplBase::SetControlFocus(const QString& name) {
    if (QWidget* control = FindControl(name))
        control->setFocus();
}

void WindowImplBase::SetCheck(const QString& name, bool checked) {
    auto* button = FindControlAs<QAbstractButton>(name);
    if (button == nullptr || !button->isCheckable())
        return;
    {
        const SettingControl setting(m_settingControl, button);
        button->setChecked(checked);
    }
    ReportControl(button, CheckField(button), button->isChecked());
}

bool WindowImplBase::GetCheck(const QString& name) const {
    const auto* button = FindControlAs<QAbstractButton>(name);
    return button != nullptr && button->isChecked();
}

void WindowImplBase::SetFixedWidth(const QString& name, int width) {
    if (QWidget* control = FindControl(name))
        control->setFixedWidth(qMax(0, width));
}

void WindowImplBase::SetFixedHeight(const QString& name, int height) {
    if (QWidget* control = FindControl(name))
        control->setFixedHeight(qMax(0, height));
}

void WindowImplBase::ApplyStyleSheetPart(QWidget* control, const char* property,
                                         const QString& rule) {
    control->setProperty(property, rule.isEmpty() ? QVariant() : QVariant(rule));
    QStringList rules;
    for (const char* part : {kBkImageRule, kBkColorRule, kTextColorRule}) {
        const QString text = control->property(part).toString();
        if (!text.isEmpty())
            rules << text;
    }
    // The selector keeps the rules off the control's children.
    control->setStyleSheet(
        rules.isEmpty() ? QString()
                        : QStringLiteral("#%1 { %2 }").arg(control->objectName(), rules.join(' ')));
}

void WindowImplBase::SetBkImage(const QString& name, const QString& description) {
    SetBkImage(FindControl(name), description);
}

void WindowImplBase::SetBkImage(QWidget* control, const QString& description) {
    if (control == nullptr)
        return;
    const QString path = SkinPicturePath(description);
    ApplyStyleSheetPart(control, kBkImageRule,
                        path.isEmpty() ? QString()
                                       : QStringLiteral("border-image: url(\"%1\");").arg(path));
    control->setProperty(ui::kImageProperty, path.isEmpty() ? QVariant() : QVariant(path));
    ReportControl(control, "image", path.toStdString());
}

void WindowImplBase::SetBkColor(const QString& name, uint32_t argb) {
    if (QWidget* control = FindControl(name)) {
        ApplyStyleSheetPart(control, kBkColorRule,
                            QStringLiteral("background-color: %1;").arg(RgbaText(argb)));
        ReportControl(control, "bkcolor", static_cast<Json::UInt>(argb));
    }
}

void WindowImplBase::SetTextColor(const QString& name, uint32_t argb) {
    if (QWidget* control = FindControl(name)) {
        ApplyStyleSheetPart(control, kTextColorRule,
                            QStringLiteral("color: %1;").arg(RgbaText(argb)));
        ReportControl(control, "color", static_cast<Json::UInt>(argb));
    }
}

void WindowImplBase::SetAlign(const QString& name, const QString& align) {
    const Qt::Alignment horizontal =
        align == QLatin1String("right") ? Qt::AlignRight : Qt::AlignLeft;
    QWidget* control = FindControl(name);
    if (auto* label = qobject_cast<QLabel*>(control))
        label->setAlignment(horizontal | Qt::AlignVCenter);
    else if (auto* line = qobject_cast<QLineEdit*>(control))
        line->setAlignment(horizontal | Qt::AlignVCenter);
    else if (auto* rich = qobject_cast<QTextEdit*>(control))
        rich->setAlignment(horizontal);
    else
        return;
    ReportControl(control, "align", horizontal == Qt::AlignRight ? "right" : "left");
}

bool WindowImplBase::AddListItem(const QString& listName, const ListItem& item) {
    QWidget* control = FindControl(listName);
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        const QSignalBlocker quiet(combo); // adding is not a selection by the user
        combo->addItem(ShownItemText(item.text), item.name);
        combo->setItemData(combo->count() - 1, item.tag, kTagRole);
        combo->setItemData(combo->count() - 1, ItemTextId(item.text), kTextIdRole);
        RefitShownCombo(combo);
        ReportItems(combo);
        return true;
    }
    if (auto* list = qobject_cast<QListWidget*>(control)) {
        auto* row = new QListWidgetItem(ShownItemText(item.text));
        row->setData(kNameRole, item.name);
        row->setData(kTagRole, item.tag);
        row->setData(kTextIdRole, ItemTextId(item.text));
        list->addItem(row);
        ReportItems(list);
        return true;
    }
    return false;
}

QWidget* WindowImplBase::AddListRow(const QString& listName, const QString& rowSkin,
                                    const ListItem& item) {
    auto* list = FindControlAs<QListWidget>(listName);
    QWidget* row = list != nullptr ? MakeRow(list, rowSkin, item.tag, {}) : nullptr;
    if (row == nullptr)
        return nullptr;
    auto* entry = new QListWidgetItem;
    entry->setData(kNameRole, item.name);
    entry->setData(kTagRole, item.tag);
    entry->setData(ui::kListRowTextRole, item.text);
    entry->setSizeHint(m_skinLoader->RowSize(rowSkin, *row));
    list->addItem(entry);
    AttachRow(list, entry, row);
    ReportItems(list);
    return row;
}

bool WindowImplBase::AddListRows(const QString& listName, const QString& rowSkin,
                                 const std::vector<ListItem>& items,
                                 std::function<void(QWidget* row, int index)> fill) {
    auto* list = FindControlAs<QListWidget>(listName);
    if (list == nullptr)
        return false;
    auto recipe = std::make_shared<const LazyListRows::Recipe>(
        LazyListRows::Recipe{rowSkin, std::move(fill)});
    std::vector<QListWidgetItem*> entries;
    entries.reserve(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        auto* entry = new QListWidgetItem;
        entry->setData(kNameRole, items[i].name);
        entry->setData(kTagRole, items[i].tag);
        entry->setData(ui::kListRowTextRole, items[i].text);
        LazyListRows::SetPending(entry, recipe, static_cast<int>(i));
        entries.push_back(entry);
    }
    // The first row is made before the items go in: it gives the size of every row, and a
    // list that holds a row widget lays all its items out again for each item added.
    QWidget* first = entries.empty() ? nullptr : MakePendingRowWidget(list, entries.front());
    if (!entries.empty() && first == nullptr) {
        qDeleteAll(entries);
        return false;
    }
    const QSize rowSize = first != nullptr ? m_skinLoader->RowSize(rowSkin, *first) : QSize();
    for (QListWidgetItem* entry : entries) {
        entry->setSizeHint(rowSize);
        list->addItem(entry);
    }
    if (first != nullptr)
        AttachRow(list, entries.front(), first);
    ReportItems(list);
    LazyListRows::Watch(list, [this, list](QListWidgetItem* entry) {
        MakePendingRow(list, entry);
    })->MakeRowsInView();
    return true;
}

int WindowImplBase::MakePendingRows(std::optional<qlonglong> tag) {
    if (!m_widget)
        return 0;
    int made = 0;
    for (QListWidget* list : m_widget->findChildren<QListWidget*>()) {
        for (int i = 0; i < list->count(); ++i) {
            QListWidgetItem* entry = list->item(i);
            if (list->itemWidget(entry) != nullptr || !LazyListRows::PendingRecipe(entry))
                continue;
            bool wholeNumber = false;
            const qlonglong itemTag = entry->data(kTagRole).toLongLong(&wholeNumber);
            if (tag && (!wholeNumber || itemTag != *tag))
                continue;
            if (MakePendingRow(list, entry) != nullptr)
                ++made;
        }
    }
    return made;
}

QWidget* WindowImplBase::MakeRow(QListWidget* list, const QString& rowSkin, const QVariant& tag,
                                 const std::function<void(QWidget*)>& fill) {
    // Made inside the list's viewport, so that the row takes the list's style once, as it is
    // built, instead of again for every control when the list adopts it.
    QWidget* row = m_skinLoader->LoadRow(rowSkin, list->viewport());
    if (row == nullptr)
        return nullptr;
    bool wholeNumber = false;
    const qlonglong rowTag = tag.toLongLong(&wholeNumber);
    if (wholeNumber)
        row->setProperty(ui::kTagProperty, rowTag);
    ResolveTextIds(row);
    if (fill)
        fill(row);
    return row;
}

QWidget* WindowImplBase::MakePendingRow(QListWidget* list, QListWidgetItem* entry) {
    if (QWidget* made = list->itemWidget(entry))
        return made;
    QWidget* row = MakePendingRowWidget(list, entry);
    if (row != nullptr)
        AttachRow(list, entry, row);
    return row;
}

QWidget* WindowImplBase::MakePendingRowWidget(QListWidget* list, const QListWidgetItem* entry) {
    const auto recipe = LazyListRows::PendingRecipe(entry);
    if (!recipe || m_final)
        return nullptr;
    const int index = LazyListRows::PendingIndex(entry);
    return MakeRow(list, recipe->skin, entry->data(kTagRole), [&](QWidget* made) {
        if (recipe->fill)
            recipe->fill(made, index);
    });
}

void WindowImplBase::AttachRow(QListWidget* list, QListWidgetItem* entry, QWidget* row) {
    list->setItemWidget(entry, row);
    WireControls(row);
}

QWidget* WindowImplBase::FindRowControl(const QString& listName, int row, const QString& name) {
    auto* list = FindControlAs<QListWidget>(listName);
    QListWidgetItem* entry = list != nullptr ? list->item(row) : nullptr;
    QWidget* rowWidget = entry != nullptr ? MakePendingRow(list, entry) : nullptr;
    if (rowWidget == nullptr || name.isEmpty())
        return nullptr;
    if (rowWidget->objectName() == name)
        return rowWidget;
    return rowWidget->findChild<QWidget*>(name);
}

void WindowImplBase::SetTag(const QString& name, intptr_t tag) {
    SetTag(FindControl(name), tag);
}

void WindowImplBase::SetTag(QWidget* control, intptr_t tag) {
    if (control == nullptr)
        return;
    control->setProperty(ui::kTagProperty, static_cast<qlonglong>(tag));
    ReportControl(control, "tag", static_cast<Json::Int64>(tag));
}

intptr_t WindowImplBase::GetTag(const QWidget* control) {
    return static_cast<intptr_t>(ui::ControlTag(control).value_or(0));
}

void WindowImplBase::RemoveAllListItems(const QString& listName) {
    QWidget* control = FindControl(listName);
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        const QSignalBlocker quiet(combo);
        combo->clear();
        RefitShownCombo(combo);
    } else if (auto* list = qobject_cast<QListWidget*>(control)) {
        const QSignalBlocker quiet(list);
        list->clear();
    } else {
        return;
    }
    ReportItems(control);
}

int WindowImplBase::GetListCount(const QString& listName) const {
    const QWidget* control = FindControl(listName);
    if (auto* combo = qobject_cast<const QComboBox*>(control))
        return combo->count();
    if (auto* list = qobject_cast<const QListWidget*>(control))
        return list->count();
    return 0;
}

ListItem WindowImplBase::GetListItem(const QString& listName, int index) const {
    const QWidget* control = FindControl(listName);
    ListItem item;
    if (auto* combo = qobject_cast<const QComboBox*>(control)) {
        if (index >= 0 && index < combo->count()) {
            item.name = combo->itemData(index, kNameRole).toString();
            item.text = combo->itemText(index);
            item.tag = combo->itemData(index, kTagRole);
        }
    } else if (auto* list = qobject_cast<const QListWidget*>(control)) {
        if (const QListWidgetItem* row = list->item(index)) {
            item.name = row->data(kNameRole).toString();
            item.text =
                row->text().isEmpty() ? row->data(ui::kListRowTextRole).toString() : row->text();
            item.tag = row->data(kTagRole);
        }
    }
    return item;
}

bool WindowImplBase::SelectListItem(const QString& listName, int index) {
    QWidget* control = FindControl(listName);
    if (auto* combo = qobject_cast<QComboBox*>(control)) {
        if (index < -1 || index >= combo->count())
            return false;
        {
            const SettingControl setting(m_settingControl, combo);
            combo->setCurrentIndex(index);
        }
        ReportSelection(combo);
        return true;
    }
    if (auto* list = qobject_cast<QListWidget*>(control)) {
        if (index < -1 || index >= list->count())
            return false;
        {
            const SettingControl setting(m_settingControl, list);
            list->setCurrentRow(index);
        }
        ReportSelection(list);
        return true;
    }
    return false;
}

int WindowImplBase::GetListCurSel(const QString& listName) const {
    const QWidget* control = FindControl(listName);
    if (auto* combo = qobject_cast<const QComboBox*>(control))
        return combo->currentIndex();
    if (auto* list = qobject_cast<const QListWidget*>(control))
        return list->currentRow();
    return -1;
}

int WindowImplBase::FindListItem(const QString& listName, const QString& itemName) const {
    const int count = GetListCount(listName);
    for (int i = 0; i < count; ++i) {
        if (GetListItem(listName, i).name == itemName)
            return i;
    }
    return -1;
}

bool WindowImplBase::SelectTabPage(const QString& name, int index) {
    QWidget* control = FindControl(name);
    if (auto* tabs = qobject_cast<QTabWidget*>(control)) {
        if (index < 0 || index >= tabs->count())
            return false;
        {
            const SettingControl setting(m_settingControl, tabs);
            tabs->setCurrentIndex(index);
        }
        ReportControl(tabs, "page", index);
        return true;
    }
    if (auto* stack = qobject_cast<QStackedWidget*>(control)) {
        if (index < 0 || index >= stack->count())
            return false;
        stack->setCurrentIndex(index);
        ReportControl(stack, "page", index);
        return true;
    }
    return false;
}

int WindowImplBase::GetTabPage(const QString& name) const {
    const QWidget* control = FindControl(name);
    if (auto* tabs = qobject_cast<const QTabWidget*>(control))
        return tabs->currentIndex();
    if (auto* stack = qobject_cast<const QStackedWidget*>(control))
        return stack->currentIndex();
    return -1;
}

void WindowImplBase::SetRange(const QString& name, int minimum, int maximum) {
    QWidget* control = FindControl(name);
    if (auto* progress = qobject_cast<QProgressBar*>(control))
        progress->setRange(minimum, maximum);
    else if (auto* slider = qobject_cast<QAbstractSlider*>(control))
        slider->setRange(minimum, maximum);
}

void WindowImplBase::SetValue(const QString& name, int value) {
    QWidget* control = FindControl(name);
    const SettingControl setting(m_settingControl, control);
    if (auto* progress = qobject_cast<QProgressBar*>(control))
        progress->setValue(value);
    else if (auto* slider = qobject_cast<QAbstractSlider*>(control))
        slider->setValue(value);
    else
        return;
    ReportControl(control, "value", GetValue(name));
}

int WindowImplBase::GetValue(const QString& name) const {
    const QWidget* control = FindControl(name);
    if (auto* progress = qobject_cast<const QProgressBar*>(control))
        return progress->value();
    if (auto* slider = qobject_cast<const QAbstractSlider*>(control))
        return slider->value();
    return 0;
}
