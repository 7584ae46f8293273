#include "ui/framework/SimControlInput.h"

#include "ui/framework/ControlState.h"
#include "ui/framework/ListItem.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QTextCursor>
#include <QTextEdit>

namespace {

SimControlInput Refused(const std::string& why) {
    SimControlInput input;
    input.error = why;
    return input;
}

QString FirstLink(const QString& richText) {
    static const QRegularExpression href(QStringLiteral("href\\s*=\\s*[\"']([^\"']*)[\"']"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = href.match(richText);
    return match.hasMatch() ? match.captured(1) : QString();
}

// Replaces the whole text the way typing over a selection does: one undoable edit that raises
// the edit's own change signals.
void ReplaceDocumentText(QTextCursor cursor, const QString& text) {
    cursor.select(QTextCursor::Document);
    cursor.insertText(text);
}

struct ItemSlot {
    int index = -1;
    QString name;
    bool pickable = false;
};

int FindByNameOrText(int count, const std::function<QString(int)>& name,
                     const std::function<QString(int)>& text, const QString& wanted) {
    for (int i = 0; i < count; ++i) {
        if (name(i) == wanted)
            return i;
    }
    for (int i = 0; i < count; ++i) {
        if (text(i) == wanted)
            return i;
    }
    return -1;
}

ItemSlot FindComboItem(const QComboBox* combo, const QString& item, std::optional<int> index) {
    ItemSlot slot;
    slot.index =
        index ? *index
              : FindByNameOrText(
                    combo->count(),
                    [combo](int i) { return combo->itemData(i, ui::kListNameRole).toString(); },
                    [combo](int i) { return combo->itemText(i); }, item);
    if (slot.index < 0 || slot.index >= combo->count()) {
        slot.index = -1;
        return slot;
    }
    slot.name = combo->itemData(slot.index, ui::kListNameRole).toString();
    const QModelIndex model = combo->model()->index(slot.index, combo->modelColumn());
    const auto* view = qobject_cast<const QListView*>(combo->view());
    slot.pickable = (combo->model()->flags(model) & Qt::ItemIsEnabled) != 0 &&
                    !(view != nullptr && view->isRowHidden(slot.index));
    return slot;
}

ItemSlot FindListItem(const QListWidget* list, const QString& item, std::optional<int> index) {
    ItemSlot slot;
    auto text = [list](int i) {
        const QListWidgetItem* row = list->item(i);
        return row->text().isEmpty() ? row->data(ui::kListRowTextRole).toString() : row->text();
    };
    slot.index =
        index ? *index
              : FindByNameOrText(
                    list->count(),
                    [list](int i) { return list->item(i)->data(ui::kListNameRole).toString(); },
                    text, item);
    if (slot.index < 0 || slot.index >= list->count()) {
        slot.index = -1;
        return slot;
    }
    const QListWidgetItem* row = list->item(slot.index);
    slot.name = row->data(ui::kListNameRole).toString();
    slot.pickable = (row->flags() & Qt::ItemIsEnabled) != 0 &&
                    (row->flags() & Qt::ItemIsSelectable) != 0 && !row->isHidden();
    return slot;
}

} // namespace

SimControlInput PrepareClick(QWidget* control) {
    SimControlInput input;
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        QPointer<QAbstractButton> target(button);
        input.act = [target] {
            if (target)
                target->click();
        };
        return input;
    }
    if (auto* label = qobject_cast<QLabel*>(control)) {
        const QString link = FirstLink(label->text());
        if (link.isEmpty())
            return Refused("has no link to follow");
        input.details["link"] = link.toStdString();
        QPointer<QLabel> target(label);
        input.act = [target, link] {
            if (target)
                emit target->linkActivated(link);
        };
        return input;
    }
    return Refused("cannot be clicked");
}

SimControlInput PrepareType(QWidget* control, const QString& text) {
    SimControlInput input;
    QLineEdit* line = qobject_cast<QLineEdit*>(control);
    if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->isEditable())
        line = combo->lineEdit();
    if (line != nullptr) {
        if (line->isReadOnly())
            return Refused("is read-only");
        // The text of a password edit stays out of the event stream.
        if (!ui::IsSecretControl(line))
            input.details["text"] = text.toStdString();
        QPointer<QLineEdit> target(line);
        input.act = [target, text] {
            if (!target)
                return;
            target->selectAll();
            target->insert(text); // raises textEdited, as typing does; setText would not
        };
        return input;
    }
    input.details["text"] = text.toStdString();
    if (auto* rich = qobject_cast<QTextEdit*>(control)) {
        if (rich->isReadOnly())
            return Refused("is read-only");
        QPointer<QTextEdit> target(rich);
        input.act = [target, text] {
            if (target)
                ReplaceDocumentText(target->textCursor(), text);
        };
        return input;
    }
    if (auto* plain = qobject_cast<QPlainTextEdit*>(control)) {
        if (plain->isReadOnly())
            return Refused("is read-only");
        QPointer<QPlainTextEdit> target(plain);
        input.act = [target, text] {
            if (target)
                ReplaceDocumentText(target->textCursor(), text);
        };
        return input;
    }
    return Refused("is not an edit");
}

SimControlInput PrepareChoose(QWidget* control, const QString& item, std::optional<int> index) {
    const QString wanted = index ? QStringLiteral("at %1").arg(*index) : item;
    ItemSlot slot;
    auto* combo = qobject_cast<QComboBox*>(control);
    auto* list = qobject_cast<QListWidget*>(control);
    if (combo != nullptr)
        slot = FindComboItem(combo, item, index);
    else if (list != nullptr)
        slot = FindListItem(list, item, index);
    else
        return Refused("is not a list or combo box");
    if (slot.index < 0)
        return Refused("has no item " + wanted.toStdString());
    if (!slot.pickable)
        return Refused("item " + wanted.toStdString() + " is hidden or disabled");
    SimControlInput input;
    input.details["item"] = slot.name.toStdString();
    input.details["index"] = slot.index;
    const int chosen = slot.index;
    if (combo != nullptr) {
        QPointer<QComboBox> target(combo);
        input.act = [target, chosen] {
            if (!target)
                return;
            // A pick in the pop-up: the current item changes (when it is another one), then
            // the pick itself is announced.
            target->setCurrentIndex(chosen);
            emit target->activated(chosen);
            emit target->textActivated(target->itemText(chosen));
        };
    } else {
        QPointer<QListWidget> target(list);
        input.act = [target, chosen] {
            if (!target)
                return;
            target->setCurrentRow(chosen);
            if (QListWidgetItem* row = target->item(chosen))
                emit target->itemClicked(row);
        };
    }
    return input;
}

SimControlInput PrepareSlide(QWidget* control, int value) {
    auto* slider = qobject_cast<QAbstractSlider*>(control);
    if (slider == nullptr)
        return Refused("is not a slider");
    if (value < slider->minimum() || value > slider->maximum())
        return Refused("takes values from " + std::to_string(slider->minimum()) + " to " +
                       std::to_string(slider->maximum()));
    SimControlInput input;
    input.details["value"] = value;
    QPointer<QAbstractSlider> target(slider);
    input.act = [target, value] {
        if (!target)
            return;
        // A drag: press, move to the value, release.
        target->setSliderDown(true);
        target->setSliderPosition(value);
        if (target)
            target->setSliderDown(false);
    };
    return input;
}
