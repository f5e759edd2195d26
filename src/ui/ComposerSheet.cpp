#include "ComposerSheet.h"

#include "Brand.h"
#include "PillButton.h"
#include "compose/ComposerSession.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace vesk {

namespace {

QString titleOf(ComposerSession::Mode mode)
{
    switch (mode) {
    case ComposerSession::Mode::Reply:
        return QStringLiteral("Responder");
    case ComposerSession::Mode::ReplyAll:
        return QStringLiteral("Responder a todos");
    case ComposerSession::Mode::Forward:
        return QStringLiteral("Reencaminhar");
    case ComposerSession::Mode::New:
        break;
    }
    return QStringLiteral("Nova mensagem");
}

} // namespace

ComposerSheet::ComposerSheet(const ComposerSession& composer, QWidget* parent)
    : QDialog(parent)
{
    setWindowModality(Qt::WindowModal);
    setWindowTitle(titleOf(composer.mode()));
    setMinimumWidth(520);

    auto* title = new QLabel(titleOf(composer.mode()), this);
    Brand::setText(title, Brand::sora(18, QFont::Bold), Brand::foreground);
    auto* from = new QLabel(QStringLiteral("De: ") + composer.account().identity.email, this);
    from->setTextFormat(Qt::PlainText);
    Brand::setText(from, Brand::inter(12), Brand::secondary());
    auto* note = new QLabel(
        QStringLiteral("A janela de escrita ainda não está disponível nesta versão."), this);
    note->setWordWrap(true);
    Brand::setText(note, Brand::inter(13), Brand::foreground);

    auto* close = new PillButton(QStringLiteral("Fechar"), false, this);
    connect(close, &PillButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 22, 24, 20);
    layout->setSpacing(10);
    layout->addWidget(title);
    layout->addWidget(from);
    layout->addSpacing(8);
    layout->addWidget(note);
    layout->addSpacing(12);
    layout->addLayout(buttons);
}

} // namespace vesk
