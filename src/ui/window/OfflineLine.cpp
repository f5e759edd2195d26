#include "ui/window/OfflineLine.h"

#include "app/AppState.h"
#include "ui/style/Brand.h"

#include <QHBoxLayout>
#include <QLabel>

namespace vesk {

OfflineLine::OfflineLine(AppState& state, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_text(new QLabel(this))
{
    setObjectName(QStringLiteral("offlineLine"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QStringLiteral("#offlineLine { background: %1; border-top: 1px solid %2; }")
                      .arg(Brand::css(Brand::cardDark),
                           Brand::css(Brand::withOpacity(Brand::foreground, 0.1))));
    m_text->setTextFormat(Qt::PlainText);
    Brand::setText(m_text, Brand::inter(12), Brand::secondary());
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 6, 16, 6);
    layout->addWidget(m_text, 1);
    connect(&m_state, &AppState::offlineChanged, this, &OfflineLine::update);
    connect(&m_state, &AppState::waitingChangesChanged, this, &OfflineLine::update);
    update();
}

QString OfflineLine::text() const
{
    return m_text->text();
}

void OfflineLine::update()
{
    QString text = tr("Sem ligação — as alterações são enviadas quando a ligação voltar.");
    if (const int waiting = m_state.waitingChanges(); waiting > 0)
        text += QStringLiteral("  ·  ") + tr("%n alterações à espera", nullptr, waiting);
    m_text->setText(text);
    setAccessibleDescription(text);
    setVisible(m_state.isOffline());
}

} // namespace vesk
