#pragma once

#include <QLayout>
#include <QList>

namespace vesk {

/// Lays its items out left to right and wraps to a new line when the next
/// one would pass the right edge, as words on a page. Its height follows
/// its width (heightForWidth), so a widget using it grows downwards, never
/// sideways. The last item, when `stretchLast` is set, takes the rest of its
/// line (an input after chips). GUI thread only.
class FlowLayout final : public QLayout
{
    Q_OBJECT

public:
    explicit FlowLayout(QWidget* parent = nullptr, int spacing = 4);
    ~FlowLayout() override;

    FlowLayout(const FlowLayout&) = delete;
    FlowLayout& operator=(const FlowLayout&) = delete;

    void setStretchLast(bool stretch) { m_stretchLast = stretch; }
    /// Puts `widget` at `index` (clamped), before the item there.
    void insertWidget(int index, QWidget* widget);

    void addItem(QLayoutItem* item) override;
    int count() const override { return int(m_items.size()); }
    QLayoutItem* itemAt(int index) const override { return m_items.value(index); }
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    /// Lays the items out in `rect` (or only measures); the height used.
    int arrange(const QRect& rect, bool apply) const;

    QList<QLayoutItem*> m_items;
    int m_gap;
    bool m_stretchLast = false;
};

} // namespace vesk
