#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QListWidget;
class QListWidgetItem;
class QWidget;

// Makes the row widgets of a list as they come into view, so that a list of thousands of rows
// shows at once and keeps only the rows a person has seen. An item whose row is not made yet
// carries what it is made from (SetPending); the window that owns the list makes the widget
// (the MakeRow callback), from here when the row scrolls or resizes into view, or on demand
// when code asks for one of its controls.
class LazyListRows : public QObject {
    Q_OBJECT

public:
    // Sets up the row of the item at index of a batch; index counts from 0 in every batch.
    using FillRow = std::function<void(QWidget* row, int index)>;
    // What the rows of one batch are made from.
    struct Recipe {
        QString skin;
        FillRow fill;
    };
    using MakeRow = std::function<void(QListWidgetItem* entry)>;

    // The watcher of list (made on first call, a child of the list). make is kept from the
    // first call.
    static LazyListRows* Watch(QListWidget* list, MakeRow make);

    static void SetPending(QListWidgetItem* entry, std::shared_ptr<const Recipe> recipe, int index);
    // What the item's row is made from; nullptr for an item added with its row made.
    static std::shared_ptr<const Recipe> PendingRecipe(const QListWidgetItem* entry);
    static int PendingIndex(const QListWidgetItem* entry);

    // Makes every row not made yet that lies in the list's viewport.
    void MakeRowsInView();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    LazyListRows(QListWidget* list, MakeRow make);
    int FirstRowInView() const;
    void MakeRowsInViewOnce();

    QListWidget* m_list;
    MakeRow m_make;
    // Making a row can resize the viewport (a scroll bar appears), which asks for another pass.
    bool m_making = false;
    bool m_again = false;
};
