#pragma once

#include <QWidget>

class QVBoxLayout;

namespace vesk {

class NoticeBoard;

/// The notices at the window's foot, one row each with its sentence (the
/// whole error in the tooltip) and "Dispensar". Hidden while there are none.
class NoticeBar final : public QWidget
{
    Q_OBJECT

public:
    explicit NoticeBar(NoticeBoard& board, QWidget* parent = nullptr);

private:
    void rebuild();
    QWidget* row(quint64 id, const QString& text, const QString& details);

    NoticeBoard& m_board;
    QVBoxLayout* m_rows;
};

} // namespace vesk
