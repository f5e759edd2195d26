#pragma once

#include <QMetaObject>
#include <QWidget>

class QLabel;
class QLineEdit;
class QListView;
class QModelIndex;

namespace vesk {

class AppState;
class StatusNotice;
class TextButton;
class ThreadListModel;
struct ThreadSummary;

/// The middle column of the main window: the search bar, the conversations
/// of the selected label (or the search results) and the text shown when
/// there are none. The selected rows, one or several (Ctrl- and Shift-click,
/// Shift+Up/Down, Ctrl+A), and AppState's selected threads follow each other;
/// the context menu and the list's keys act on all of them, in the selected
/// account. Each row's star toggles on a click, the selection left as it is.
/// Holds no mail of its own: the rows are ThreadListModel's.
///
/// Keys while the list has focus: Up/Down and j/k move, Return opens, e
/// archives, # and Delete move to the trash, Shift+U toggles read, s toggles
/// the star, / and Ctrl+F go to the search field. GUI thread only; the state
/// must outlive it.
class ThreadListPane final : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString title READ title NOTIFY titleChanged)

public:
    explicit ThreadListPane(AppState& state, QWidget* parent = nullptr);

    /// The column's title: "Pesquisa" while searching, else the selected
    /// label's title ("Caixa de entrada"); empty without an account.
    QString title() const { return m_title; }
    /// What the list says while it has no rows: empty, searching, failed.
    StatusNotice* emptyNotice() const { return m_empty; }
    /// The row under the last conversation: older ones loading, their
    /// failure with "Tentar de novo", or the end of the list.
    StatusNotice* footer() const { return m_footer; }

    QListView* listView() const { return m_list; }
    ThreadListModel* model() const { return m_model; }
    QLineEdit* searchField() const { return m_search; }

public Q_SLOTS:
    /// Puts the keyboard in the search field, its text selected.
    void focusSearch();

Q_SIGNALS:
    void titleChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildSearchBar();
    void buildList();
    bool handleListKey(QKeyEvent* event);
    /// r, a or f on a row: a reply, a reply to all or a forward of it.
    void answer(const ThreadSummary& thread, QChar how);
    void moveBy(int rows);
    void onCurrentChanged(const QModelIndex& current);
    void showSelectionOfState();
    void buildSelection();
    /// The rows the user selected, told to the state.
    void onRowsSelected();
    /// Several selected threads that left the list leave the selection.
    void dropGoneFromSelection();
    /// The threads the list's actions take: the selected rows, else the current one.
    QList<ThreadSummary> chosenThreads() const;
    /// A click on a row's star toggles it; true when the event was one.
    bool handleStarClick(QEvent* event);
    QStringList selectedRowIds() const;
    void showContextMenu(const QPoint& position);
    void onSearchChanged();
    void onSessionsOrSelectionChanged();
    void followShownList();
    void updateEmptyText();
    void updateFooter();
    void updateTitle();
    /// The thread of the current row, if any.
    const ThreadSummary* currentThread() const;

    AppState& m_state;
    ThreadListModel* m_model;
    QLineEdit* m_search = nullptr;
    TextButton* m_clear = nullptr;
    QListView* m_list = nullptr;
    StatusNotice* m_empty = nullptr;
    StatusNotice* m_footer = nullptr;
    QString m_title;
    /// Which list the rows are of: the account and label, or a search.
    QString m_shownList;
    QMetaObject::Connection m_labelsConnection;
    bool m_showingState = false;
};

} // namespace vesk
