#include "ui/welcome/WelcomeView.h"

#include "ui/style/Brand.h"
#include "ui/style/Icons.h"
#include "ui/welcome/StarFieldWidget.h"
#include "ui/widgets/PillButton.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace vesk {

namespace {

// The measure of the tagline, the card and the error line: short lines read
// well however wide the window is, and the main window's minimum width
// always leaves room for it.
constexpr int s_columnWidth = 430;

QLabel* textLabel(const QString& text, const QFont& font, const QColor& colour, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    Brand::setText(label, font, colour);
    return label;
}

} // namespace

WelcomeView::WelcomeView(QWidget* parent)
    : QWidget(parent)
    , m_sky(new StarFieldWidget(this))
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_sky);

    auto* column = new QWidget(m_sky);
    column->setFixedWidth(s_columnWidth);
    buildColumn(column);

    // Centred by stretches rather than by alignment: an aligned item would be
    // asked for its height at the whole row's width, and the wrapped texts
    // would get the height of a single line.
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(column);
    row->addStretch(1);
    auto* skyLayout = new QVBoxLayout(m_sky);
    skyLayout->setContentsMargins(24, 24, 24, 24);
    skyLayout->addStretch(1);
    skyLayout->addLayout(row);
    skyLayout->addStretch(1);
    refresh();
}

void WelcomeView::buildColumn(QWidget* column)
{
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(20);

    auto* glyph = new QLabel(column);
    glyph->setPixmap(Icons::pixmap(Symbol::EnvelopeFilled, 54, Qt::white, devicePixelRatioF()));
    glyph->setAlignment(Qt::AlignHCenter);

    QFont titleFont = Brand::sora(40, QFont::Bold);
    titleFont.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    auto* title = textLabel(QStringLiteral("VESK"), titleFont, Qt::white, column);

    // Symbol and name belong together; the wider spacing of the column
    // separates the blocks below them.
    auto* brand = new QVBoxLayout;
    brand->setSpacing(6);
    brand->addWidget(glyph);
    brand->addWidget(title);
    layout->addLayout(brand);

    layout->addWidget(textLabel(tr("O teu Gmail, nativo no Linux. Várias contas, "
                                   "notificações por conta e anexos sem truques."),
                                Brand::inter(14), Brand::withOpacity(Qt::white, 0.85), column));

    m_card = buildCard();
    layout->addWidget(m_card);

    m_button = new PillButton(QString(), true, column);
    connect(m_button, &PillButton::clicked, this, &WelcomeView::onButtonClicked);
    layout->addWidget(m_button, 0, Qt::AlignHCenter);

    m_error = textLabel(QString(), Brand::inter(12), Brand::error, column);
    m_error->hide();
    layout->addWidget(m_error);
}

QFrame* WelcomeView::buildCard()
{
    auto* card = new QFrame;
    card->setProperty(Brand::cardProperty, QString::fromLatin1(Brand::glassCard));
    auto* layout = new QVBoxLayout(card);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(8);
    layout->addWidget(textLabel(tr("Falta um passo teu, uma só vez"),
                                Brand::inter(14, QFont::DemiBold), Qt::white, card));
    layout->addWidget(
        textLabel(tr("O VESK liga às tuas contas com um cliente OAuth criado na tua "
                     "consola Google. Abre as Definições e cola o Client ID e o Client "
                     "Secret; a app explica o resto. A senha nunca passa pelo VESK."),
                  Brand::inter(12), Brand::withOpacity(Qt::white, 0.75), card));
    return card;
}

void WelcomeView::setOAuthConfigured(bool configured)
{
    if (m_oauthConfigured == configured)
        return;
    m_oauthConfigured = configured;
    refresh();
}

void WelcomeView::setLinkError(const QString& text)
{
    m_error->setText(text);
    m_error->setVisible(!text.isEmpty());
}

void WelcomeView::refresh()
{
    m_card->setVisible(!m_oauthConfigured);
    m_button->setText(m_oauthConfigured ? tr("Ligar a primeira conta") : tr("Abrir Definições"));
}

void WelcomeView::onButtonClicked()
{
    if (m_oauthConfigured)
        Q_EMIT linkAccountRequested();
    else
        Q_EMIT settingsRequested();
}

} // namespace vesk
