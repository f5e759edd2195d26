#pragma once

#include <QWidget>

namespace vesk {

class PillButton;

/// The line above a composer's fields while its draft was changed elsewhere:
/// what happened, and the two ways on. Nothing is saved or sent until the
/// person picks one, so neither version is lost without their say.
/// GUI thread only.
class DraftConflictBar final : public QWidget
{
    Q_OBJECT

public:
    explicit DraftConflictBar(QWidget* parent = nullptr);

    PillButton* keepButton() const { return m_keep; }
    PillButton* takeOtherButton() const { return m_takeOther; }

private:
    PillButton* m_keep;
    PillButton* m_takeOther;
};

} // namespace vesk
