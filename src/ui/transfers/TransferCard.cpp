#include "ui/transfers/TransferCard.h"

#include "transfers/TransferItem.h"
#include "transfers/TransferList.h"
#include "ui/style/Brand.h"
#include "ui/widgets/ElidedLabel.h"
#include "ui/widgets/ErrorText.h"
#include "ui/widgets/SpokenText.h"
#include "ui/widgets/TextButton.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QModelIndex>
#include <QProgressBar>
#include <QTextLayout>
#include <QVBoxLayout>

namespace vesk {

namespace {

using Case = TransferItem::State::Case;

/// The bar counts in thousandths, fine enough for any width it is drawn at.
constexpr int s_barSteps = 1000;
/// A failure text wraps rather than pushing the file name out of the card,
/// and is cut after a few lines: Google's answers can be whole JSON documents.
constexpr int s_failureWidth = 210;
constexpr int s_failureLines = 3;

/// `text` broken into at most `maxLines` lines of `width`, the last one
/// ending in an ellipsis when something is left over.
QString clampedLines(const QString& text, const QFont& font, int width, int maxLines)
{
    QTextLayout layout(text, font);
    QStringList lines;
    layout.beginLayout();
    int rest = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (lines.size() == maxLines - 1) {
            rest = line.textStart();
            break;
        }
        lines.append(text.mid(line.textStart(), line.textLength()).trimmed());
        rest = int(text.size());
    }
    layout.endLayout();
    if (rest < text.size())
        lines.append(QFontMetrics(font).elidedText(text.mid(rest), Qt::ElideRight, width));
    return lines.join(u'\n');
}

QString barStyle()
{
    const QColor track = Brand::withOpacity(Brand::foreground, 0.1);
    return QStringLiteral("QProgressBar { background-color: %1; border: none; "
                          "border-radius: 2px; }\n"
                          "QProgressBar::chunk { background-color: %2; border-radius: 2px; }")
        .arg(Brand::css(track), Brand::primary.name());
}

} // namespace

TransferCard::TransferCard(QWidget* parent)
    : QFrame(parent)
    , m_fileName(new ElidedLabel(this))
    , m_running(new QLabel(tr("A transferir"), this))
    , m_reveal(new TextButton(tr("Mostrar na pasta"), Brand::inter(11), this))
    , m_failure(new QLabel(this))
    , m_progress(new QProgressBar(this))
    , m_account(new QLabel(this))
{
    setProperty(Brand::cardProperty, QLatin1String(Brand::panelCard));
    Brand::setText(m_fileName, Brand::inter(12, QFont::DemiBold), Brand::foreground);
    Brand::setText(m_running, Brand::inter(11), Brand::secondary());
    Brand::setText(m_failure, Brand::inter(11), Brand::error);
    m_failure->setAlignment(Qt::AlignRight | Qt::AlignTop);
    // Google's words may hold anything; they are never read as markup.
    m_failure->setTextFormat(Qt::PlainText);
    m_failure->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(m_reveal, &TextButton::clicked, this, &TransferCard::revealRequested);

    m_progress->setRange(0, s_barSteps);
    m_progress->setTextVisible(false);
    m_progress->setFixedHeight(4);
    m_progress->setStyleSheet(barStyle());
    Brand::setText(m_account, Brand::inter(10), Brand::secondary());

    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(m_fileName, 1, Qt::AlignTop);
    // One of the three shows; hidden ones take no room.
    row->addWidget(m_running, 0, Qt::AlignTop);
    row->addWidget(m_reveal, 0, Qt::AlignTop);
    row->addWidget(m_failure, 0, Qt::AlignTop);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(4);
    layout->addLayout(row);
    layout->addWidget(m_progress);
    layout->addWidget(m_account);
}

void TransferCard::showItem(const QModelIndex& index)
{
    const QString fileName = index.data(TransferList::FileNameRole).toString();
    m_fileName->setText(fileName);
    m_fileName->setToolTip(fileName);
    m_account->setText(index.data(TransferList::AccountEmailRole).toString());

    const auto state = Case(index.data(TransferList::StateRole).toInt());
    m_running->setVisible(state == Case::Running);
    m_reveal->setVisible(state == Case::Done);
    m_failure->setVisible(state == Case::Failed);
    if (state == Case::Failed) {
        // The core's sentence; what came in stays one hover away.
        const QString failure = index.data(TransferList::ErrorTextRole).toString();
        const QString details = index.data(TransferList::ErrorDetailsRole).toString();
        m_failure->setText(
            clampedLines(failure.simplified(), m_failure->font(), s_failureWidth, s_failureLines));
        m_failure->setToolTip(ErrorText::tooltip(details.isEmpty() ? failure : details));
    }

    m_progress->setVisible(state == Case::Running);
    const double fraction = index.data(TransferList::FractionRole).toDouble();
    m_progress->setValue(qRound(qBound(0.0, fraction, 1.0) * s_barSteps));
    describe(fileName, int(state), index.data(TransferList::ErrorTextRole).toString());
}

void TransferCard::describe(const QString& fileName, int state, const QString& failure)
{
    // The card is read as one line, as it is seen: the file, how it went and
    // for which account; the controls inside name the file they act on.
    QString progress;
    switch (Case(state)) {
    case Case::Running:
        progress = tr("A transferir, %1 %").arg(m_progress->value() * 100 / s_barSteps);
        break;
    case Case::Done:
        progress = tr("Concluída");
        break;
    case Case::Failed:
        progress = failure;
        break;
    }
    setAccessibleName(SpokenText::join({fileName, progress, m_account->text()}));
    m_progress->setAccessibleName(tr("Progresso de %1").arg(fileName));
    m_reveal->setAccessibleDescription(fileName);
}

} // namespace vesk
