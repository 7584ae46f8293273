#include "ui/framework/ControlState.h"

#include "ui/framework/ListItem.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>

namespace ui {

namespace {

Json::Value ItemJson(const QString& name, const QString& text, bool enabled) {
    Json::Value item;
    item["name"] = name.toStdString();
    item["text"] = text.toStdString();
    item["enabled"] = enabled;
    return item;
}

Json::Value ComboItems(const QComboBox* combo) {
    Json::Value items(Json::arrayValue);
    const auto* view = qobject_cast<const QListView*>(combo->view());
    for (int i = 0; i < combo->count(); ++i) {
        const QModelIndex index = combo->model()->index(i, combo->modelColumn());
        const bool enabled = (combo->model()->flags(index) & Qt::ItemIsEnabled) != 0 &&
                             !(view != nullptr && view->isRowHidden(i));
        items.append(
            ItemJson(combo->itemData(i, kListNameRole).toString(), combo->itemText(i), enabled));
    }
    return items;
}

Json::Value ListWidgetItems(const QListWidget* list) {
    Json::Value items(Json::arrayValue);
    for (int i = 0; i < list->count(); ++i) {
        const QListWidgetItem* row = list->item(i);
        const QString text =
            row->text().isEmpty() ? row->data(kListRowTextRole).toString() : row->text();
        const bool enabled = (row->flags() & Qt::ItemIsEnabled) != 0 && !row->isHidden();
        items.append(ItemJson(row->data(kListNameRole).toString(), text, enabled));
    }
    return items;
}

} // namespace

QString ReadControlText(const QWidget* control) {
    if (auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    if (auto* line = qobject_cast<const QLineEdit*>(control))
        return line->text();
    if (auto* rich = qobject_cast<const QTextEdit*>(control))
        return rich->toPlainText();
    if (auto* plain = qobject_cast<const QPlainTextEdit*>(control))
        return plain->toPlainText();
    if (auto* group = qobject_cast<const QGroupBox*>(control))
        return group->title();
    if (auto* combo = qobject_cast<const QComboBox*>(control))
        return combo->currentText();
    if (control->isWindow())
        return control->windowTitle();
    return QString();
}

bool IsSecretControl(const QWidget* control) {
    const auto* line = qobject_cast<const QLineEdit*>(control);
    return line != nullptr &&
           (line->echoMode() != QLineEdit::Normal || line->property(kSecretProperty).toBool());
}

std::optional<int64_t> ControlTag(const QWidget* control) {
    for (const QWidget* w = control; w != nullptr; w = w->parentWidget()) {
        const QVariant tag = w->property(kTagProperty);
        if (tag.isValid())
            return tag.toLongLong();
        if (w->isWindow())
            break;
    }
    return std::nullopt;
}

Json::Value ListItemsJson(const QWidget* control) {
    if (auto* combo = qobject_cast<const QComboBox*>(control))
        return ComboItems(combo);
    if (auto* list = qobject_cast<const QListWidget*>(control))
        return ListWidgetItems(list);
    return Json::Value();
}

Json::Value QueryControlJson(const QWidget* window, const QWidget* control) {
    Json::Value state;
    state["exists"] = control != nullptr;
    if (control == nullptr)
        return state;
    state["visible"] = window->isVisible() && control->isVisibleTo(window);
    state["enabled"] = control->isEnabled();
    // What a password edit shows is its mask, never the password, also while it is shown in
    // clear.
    const auto* line = qobject_cast<const QLineEdit*>(control);
    const QString mask(line != nullptr ? line->text().size() : 0, QChar(0x25CF));
    state["text"] = (IsSecretControl(control) ? mask : ReadControlText(control)).toStdString();
    if (auto* button = qobject_cast<const QAbstractButton*>(control);
        button != nullptr && button->isCheckable()) {
        state["checked"] = button->isChecked();
        state["selected"] = button->isChecked();
    }
    if (auto* combo = qobject_cast<const QComboBox*>(control))
        state["selected"] = combo->currentIndex();
    else if (auto* list = qobject_cast<const QListWidget*>(control))
        state["selected"] = list->currentRow();
    const Json::Value items = ListItemsJson(control);
    if (!items.isNull())
        state["items"] = items;
    if (auto* slider = qobject_cast<const QAbstractSlider*>(control))
        state["value"] = slider->value();
    else if (auto* progress = qobject_cast<const QProgressBar*>(control))
        state["value"] = progress->value();
    if (auto* tabs = qobject_cast<const QTabWidget*>(control))
        state["page"] = tabs->currentIndex();
    else if (auto* stack = qobject_cast<const QStackedWidget*>(control))
        state["page"] = stack->currentIndex();
    state["image"] = control->property(kImageProperty).toString().toStdString();
    if (const auto tag = ControlTag(control))
        state["tag"] = static_cast<Json::Int64>(*tag);
    return state;
}

} // namespace ui
