#pragma once

#include <QListView>
#include <QTimer>

namespace vesk {

/// The conversations' list view, whose scrolled content ends with a footer
/// row: a widget laid out under the last conversation, reached by scrolling
/// like a row but not one of the model's, so that selection, keys and the
/// rows' numbers stay the model's own. The footer takes room only while it
/// is visible; its height is its size hint's. When it appears while the
/// list is scrolled to its end, the view moves down to show it. GUI thread
/// only.
///
/// While idle, it has its delegate (a ThreadRowDelegate) render the rows in
/// sight and a page above and below them, one row per turn of the event
/// loop, so that painting them again or scrolling to them costs a copy.
class ThreadListView final : public QListView
{
    Q_OBJECT

public:
    explicit ThreadListView(QWidget* parent = nullptr);

    /// Puts `footer` under the last row, in the viewport; the view owns it.
    void setFooter(QWidget* footer);
    QWidget* footer() const { return m_footer; }

protected:
    void updateGeometries() override;
    void verticalScrollbarValueChanged(int value) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int footerHeight() const;
    void placeFooter();
    /// Renders the next row near the view not rendered yet; whether there was one.
    bool prepareNextRow();
    /// The rows in sight and a page below them, then a page above.
    QList<QModelIndex> rowsNearby() const;

    QWidget* m_footer = nullptr;
    /// The footer came while the list was at its end: the view follows it.
    bool m_revealFooter = false;
    /// The range is being made again: the value it passes through on the
    /// way is no scroll of the person's.
    bool m_adjusting = false;
    QTimer m_preparing;
};

} // namespace vesk
