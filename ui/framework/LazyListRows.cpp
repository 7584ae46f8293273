#include "ui/framework/LazyListRows.h"

#include "ui/framework/ListItem.h"

#include <QEvent>
#include <QListWidget>
#include <QScrollBar>

namespace {

// Where a pending item keeps its recipe and its index in the batch (item data roles).
constexpr int kRecipeRole = ui::kListTextIdRole + 1;
constexpr int kBatchIndexRole = ui::kListTextIdRole + 2;

using RecipePtr = std::shared_ptr<const LazyListRows::Recipe>;

} // namespace

LazyListRows* LazyListRows::Watch(QListWidget* list, MakeRow make) {
    if (auto* watcher = list->findChild<LazyListRows*>(QString(), Qt::FindDirectChildrenOnly))
        return watcher;
    return new LazyListRows(list, std::move(make));
}

LazyListRows::LazyListRows(QListWidget* list, MakeRow make)
    : QObject(list), m_list(list), m_make(std::move(make)) {
    list->viewport()->installEventFilter(this);
    connect(list->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &LazyListRows::MakeRowsInView);
}

void LazyListRows::SetPending(QListWidgetItem* entry, std::shared_ptr<const Recipe> recipe,
                              int index) {
    entry->setData(kRecipeRole, QVariant::fromValue(RecipePtr(std::move(recipe))));
    entry->setData(kBatchIndexRole, index);
}

std::shared_ptr<const LazyListRows::Recipe>
LazyListRows::PendingRecipe(const QListWidgetItem* entry) {
    return entry->data(kRecipeRole).value<RecipePtr>();
}

int LazyListRows::PendingIndex(const QListWidgetItem* entry) {
    return entry->data(kBatchIndexRole).toInt();
}

bool LazyListRows::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize || event->type() == QEvent::Show)
        MakeRowsInView();
    return QObject::eventFilter(watched, event);
}

void LazyListRows::MakeRowsInView() {
    if (m_making) {
        m_again = true;
        return;
    }
    m_making = true;
    do {
        m_again = false;
        MakeRowsInViewOnce();
    } while (m_again);
    m_making = false;
}

void LazyListRows::MakeRowsInViewOnce() {
    const int count = m_list->count();
    const int bottom = m_list->viewport()->height();
    for (int row = FirstRowInView(); row < count; ++row) {
        QListWidgetItem* entry = m_list->item(row);
        if (m_list->visualItemRect(entry).top() >= bottom)
            break;
        if (m_list->itemWidget(entry) == nullptr && PendingRecipe(entry))
            m_make(entry);
    }
}

// Rows lie top to bottom: the first one whose bottom edge is below the viewport's top.
int LazyListRows::FirstRowInView() const {
    int low = 0;
    int high = m_list->count() - 1;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (m_list->visualItemRect(m_list->item(middle)).bottom() < 0)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}
