#include "ui/widgets/StatusNotice.h"

#include "ui/style/Brand.h"
#include "ui/widgets/BusySpinner.h"
#include "ui/widgets/TextButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

namespace vesk {

StatusNotice::StatusNotice(QWidget* parent)
    : QWidget(parent)
    , m_spinner(new BusySpinner(16, this))
    , m_text(new QLabel(this))
    , m_retry(new TextButton(tr("Tentar de novo"), Brand::inter(13, QFont::Medium), this))
{
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(true);
    m_text->setAlignment(Qt::AlignCenter);
    m_text->setMaximumWidth(320);
    Brand::setText(m_text, Brand::inter(13), Brand::secondary());

    auto* line = new QHBoxLayout;
    line->setSpacing(8);
    line->addStretch(1);
    line->addWidget(m_spinner, 0, Qt::AlignVCenter);
    line->addWidget(m_text, 0, Qt::AlignVCenter);
    line->addStretch(1);

    // Centred as one group, however tall the pane makes the notice.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(6);
    layout->addStretch(1);
    layout->addLayout(line);
    layout->addWidget(m_retry, 0, Qt::AlignHCenter);
    layout->addStretch(1);
    connect(m_retry, &QPushButton::clicked, this, &StatusNotice::retryClicked);
    showText(QString());
}

void StatusNotice::showBusy(const QString& text)
{
    m_text->setToolTip(QString());
    show(text, true, false);
}

void StatusNotice::showError(const QString& sentence, const QString& tooltip)
{
    m_text->setToolTip(tooltip);
    show(sentence, false, true);
}

void StatusNotice::showText(const QString& text)
{
    m_text->setToolTip(QString());
    show(text, false, false);
}

bool StatusNotice::isBusy() const
{
    return !m_spinner->isHidden();
}

void StatusNotice::show(const QString& text, bool busy, bool failed)
{
    m_text->setText(text);
    // A wrapping label asks for a narrow box of its own accord; a short text
    // keeps to one line, a long one wraps at the maximum width.
    m_text->setMinimumWidth(
        std::min(m_text->fontMetrics().horizontalAdvance(text) + 2, m_text->maximumWidth()));
    m_spinner->setVisible(busy);
    m_retry->setVisible(failed);
    // Read by a screen reader when it changes, as a person sees it change.
    setAccessibleDescription(text);
}

} // namespace vesk
