#pragma once

#include <QWidget>

class QLabel;

namespace vesk {

class AppState;

/// The quiet line at the window's foot while Google cannot be reached: that
/// changes are kept and sent later, and how many wait. Hidden while online.
class OfflineLine final : public QWidget
{
    Q_OBJECT

public:
    explicit OfflineLine(AppState& state, QWidget* parent = nullptr);

    QString text() const;

private:
    void update();

    AppState& m_state;
    QLabel* m_text;
};

} // namespace vesk
