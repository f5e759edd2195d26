#include "ui/composer/ComposerView.h"

#include "compose/AddressBook.h"
#include "compose/OutgoingAddress.h"
#include "spelling/ComposerSpelling.h"
#include "ui/composer/AddressChip.h"
#include "ui/composer/AddressField.h"
#include "ui/composer/AttachmentRow.h"
#include "ui/composer/ComposerBodyEdit.h"
#include "ui/composer/ComposerHeader.h"
#include "ui/composer/DraftConflictBar.h"
#include "ui/composer/LineEditSpelling.h"
#include "ui/style/Brand.h"
#include "ui/widgets/FireAndForget.h"
#include "ui/widgets/PillButton.h"

#include <QFontMetrics>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <QVBoxLayout>

namespace vesk {

namespace {

/// A field's height: room for a line of its text and the frame, so that a
/// larger text size on the desktop never cuts the letters.
int fieldHeight()
{
    return qMax(30, QFontMetrics(Brand::inter(12)).height() + 14);
}

QFrame* divider(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setProperty(Brand::separatorProperty, true);
    return line;
}

QLabel* rowLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    Brand::setText(label, Brand::inter(12, QFont::DemiBold), Brand::secondary());
    // As tall as a field, so that the name sits level with the text typed.
    label->setFixedHeight(fieldHeight());
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QLineEdit* field(const QString& name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setAccessibleName(name);
    edit->setFont(Brand::inter(12));
    edit->setFixedHeight(fieldHeight());
    return edit;
}

void tintLabel(PillButton* button, const QColor& colour)
{
    QPalette p = button->palette();
    p.setColor(QPalette::Active, QPalette::ButtonText, colour);
    p.setColor(QPalette::Inactive, QPalette::ButtonText, colour);
    button->setPalette(p);
}

} // namespace

ComposerView::ComposerView(ComposerSession& composer, QWidget* parent)
    : QWidget(parent)
    , m_composer(&composer)
    , m_header(new ComposerHeader(titleOf(composer.mode()), this))
    , m_conflict(new DraftConflictBar(this))
    , m_body(new ComposerBodyEdit(this))
    , m_attachmentsBox(new QWidget(this))
    , m_attachmentsList(new QVBoxLayout)
    , m_sizeWarning(
          new QLabel(tr("Os anexos passam o limite de 25 MB do Gmail."), m_attachmentsBox))
{
    Brand::setText(m_sizeWarning, Brand::inter(11), Brand::error);
    auto* attachments = new QVBoxLayout(m_attachmentsBox);
    attachments->setContentsMargins(0, 0, 0, 0);
    attachments->setSpacing(0);
    attachments->addWidget(divider(m_attachmentsBox));
    m_attachmentsList->setContentsMargins(10, 10, 10, 10);
    m_attachmentsList->setSpacing(6);
    m_attachmentsList->addWidget(m_sizeWarning);
    attachments->addLayout(m_attachmentsList);

    m_body->setPlainText(composer.body());
    auto* bodyBox = new QVBoxLayout;
    bodyBox->setContentsMargins(6, 6, 6, 6);
    bodyBox->addWidget(m_body);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_header);
    layout->addWidget(divider(this));
    layout->addWidget(m_conflict);
    layout->addWidget(buildForm());
    layout->addLayout(bodyBox, 1);
    layout->addWidget(m_attachmentsBox);
    layout->addWidget(divider(this));
    layout->addWidget(buildActions());

    connect(m_header->closeButton(), &PillButton::clicked, this, &ComposerView::closeSaving);
    connect(m_body, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_composer || m_composer->body() == m_body->toPlainText())
            return;
        m_composer->setBody(m_body->toPlainText());
        m_composer->markDirty();
    });
    connect(&composer, &ComposerSession::bodyChanged, this, [this] {
        if (m_composer && m_body->toPlainText() != m_composer->body())
            m_body->setPlainText(m_composer->body());
    });
    connect(m_body, &ComposerBodyEdit::filesDropped, this, &ComposerView::addDropped);
    connect(&composer, &ComposerSession::attachmentsChanged, this,
            &ComposerView::rebuildAttachments);
    connect(&composer, &ComposerSession::toChanged, this, &ComposerView::refreshActions);
    connect(&composer, &ComposerSession::isSendingChanged, this, &ComposerView::refreshActions);
    connect(&composer, &ComposerSession::errorChanged, this, &ComposerView::refreshActions);
    const auto showDraftNote = [this] {
        const bool saved = m_composer && m_composer->hasSavedDraft();
        m_header->setDraftNote(saved ? tr("Rascunho guardado") : QString());
    };
    connect(&composer, &ComposerSession::hasSavedDraftChanged, this, showDraftNote);
    showDraftNote();
    connect(m_conflict->keepButton(), &PillButton::clicked, this, [this] {
        if (m_composer)
            fireAndForget(m_composer->keepThisVersion());
    });
    connect(m_conflict->takeOtherButton(), &PillButton::clicked, this, [this] {
        if (m_composer)
            fireAndForget(m_composer->takeOtherVersion());
    });
    connect(&composer, &ComposerSession::conflictChanged, this, &ComposerView::refreshActions);
    rebuildAttachments();
    setUpKeyboard();
    // Built while the person starts writing, so that it is there by the
    // first letter of an address.
    composer.loadAddressBook();
}

void ComposerView::setUpKeyboard()
{
    // A tab in a message is never wanted: Tab leaves the body like any field.
    m_body->setTabChangesFocus(true);
    // The order a message is written in; the Cc and Bcc button stands in for
    // its rows while they are hidden.
    const QList<QWidget*> order{
        m_to->input(), m_showCcBcc, m_cc->input(), m_bcc->input(), m_subject,
        m_body,        m_attach,    m_discard,     m_send,         m_header->closeButton()};
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order.at(i - 1), order.at(i));
    // Set before the sheet shows, so that it is where the window puts the
    // keyboard when it activates: the first field a person fills in.
    const ComposerSession::Mode mode = m_composer->mode();
    if (mode == ComposerSession::Mode::Reply || mode == ComposerSession::Mode::ReplyAll) {
        m_body->moveCursor(QTextCursor::Start); // above the quoted message
        m_body->setFocus(Qt::OtherFocusReason);
    } else {
        m_to->setFocus(Qt::OtherFocusReason);
    }
}

QString ComposerView::titleOf(ComposerSession::Mode mode)
{
    switch (mode) {
    case ComposerSession::Mode::Reply:
        return tr("Responder");
    case ComposerSession::Mode::ReplyAll:
        return tr("Responder a todos");
    case ComposerSession::Mode::Forward:
        return tr("Reencaminhar");
    case ComposerSession::Mode::New:
        break;
    }
    return tr("Nova mensagem");
}

void ComposerView::setSpelling(std::shared_ptr<SpellingService> service)
{
    if (!service || m_spelling)
        return;
    m_spelling = new ComposerSpelling(std::move(service), this);
    m_body->setSpelling(m_spelling);
    m_subjectSpelling = new LineEditSpelling(*m_spelling, *m_subject);
}

QWidget* ComposerView::buildForm()
{
    auto* form = new QWidget(this);
    m_form = new QFormLayout(form);
    m_form->setContentsMargins(16, 10, 16, 10);
    m_form->setHorizontalSpacing(14);
    m_form->setVerticalSpacing(6);
    m_form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);

    // A composer outlives its account only briefly; then there is no sender.
    m_from = new QLabel(
        m_composer->account().isOpen() ? m_composer->account().identity.email : QString(), form);
    m_from->setTextFormat(Qt::PlainText);
    m_from->setFixedHeight(fieldHeight());
    Brand::setText(m_from, Brand::inter(12), Brand::secondary());
    m_from->setAccessibleName(tr("De %1").arg(m_from->text()));
    m_to = new AddressField(tr("Para"), form);
    m_cc = new AddressField(QStringLiteral("Cc"), form);
    m_bcc = new AddressField(QStringLiteral("Bcc"), form);
    m_subject = field(tr("Assunto"), form);
    m_showCcBcc = new PillButton(tr("Adicionar Cc e Bcc"), false, form);
    tintLabel(m_showCcBcc, Brand::lightPurple);

    auto* ccBccRow = new QHBoxLayout;
    ccBccRow->setContentsMargins(0, 0, 0, 0);
    ccBccRow->addWidget(m_showCcBcc);
    ccBccRow->addStretch(1);
    m_ccBccRow = ccBccRow;

    m_form->addRow(rowLabel(tr("De"), form), m_from);
    m_form->addRow(rowLabel(tr("Para"), form), m_to);
    m_form->addRow(QString(), m_ccBccRow);
    m_form->addRow(rowLabel(QStringLiteral("Cc"), form), m_cc);
    m_form->addRow(rowLabel(QStringLiteral("Bcc"), form), m_bcc);
    m_form->addRow(rowLabel(tr("Assunto"), form), m_subject);
    // The Cc and Bcc rows wait behind their button even when a reply to all
    // has filled Cc in: what is there is still sent.
    m_form->setRowVisible(m_cc, false);
    m_form->setRowVisible(m_bcc, false);

    bindField(m_to, &ComposerSession::setTo, &ComposerSession::toChanged, &ComposerSession::to);
    bindField(m_cc, &ComposerSession::setCc, &ComposerSession::ccChanged, &ComposerSession::cc);
    bindField(m_bcc, &ComposerSession::setBcc, &ComposerSession::bccChanged, &ComposerSession::bcc);
    bindField(m_subject, &ComposerSession::setSubject, &ComposerSession::subjectChanged,
              &ComposerSession::subject);
    connect(m_showCcBcc, &PillButton::clicked, this, &ComposerView::showCcBcc);
    return form;
}

QWidget* ComposerView::buildActions()
{
    auto* row = new QWidget(this);
    m_attach = new PillButton(tr("Anexar"), false, row);
    m_attach->setSymbol(Symbol::Attachment);
    m_discard = new PillButton(tr("Descartar"), false, row);
    tintLabel(m_discard, Brand::error);
    m_error = new QLabel(row);
    m_error->setTextFormat(Qt::PlainText);
    m_error->setWordWrap(true);
    m_error->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Brand::setText(m_error, Brand::inter(11), Brand::error);
    m_send = new PillButton(tr("Enviar"), true, row);

    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(10);
    layout->addWidget(m_attach);
    layout->addWidget(m_discard);
    layout->addStretch(1);
    layout->addWidget(m_error);
    layout->addWidget(m_send);

    connect(m_attach, &PillButton::clicked, this, [this] {
        if (m_composer)
            fireAndForget(m_composer->addAttachmentsFromPanel());
    });
    connect(m_discard, &PillButton::clicked, this, &ComposerView::discard);
    connect(m_send, &PillButton::clicked, this, &ComposerView::send);
    return row;
}

void ComposerView::bindField(QLineEdit* field, void (ComposerSession::*set)(const QString&),
                             void (ComposerSession::*changed)(),
                             const QString& (ComposerSession::*get)() const)
{
    field->setText((m_composer->*get)());
    field->setCursorPosition(0);
    connect(field, &QLineEdit::textEdited, this, [this, set](const QString& text) {
        if (!m_composer)
            return;
        (m_composer->*set)(text);
        m_composer->markDirty();
    });
    connect(m_composer, changed, field, [this, field, get] {
        if (m_composer && field->text() != (m_composer->*get)())
            field->setText((m_composer->*get)());
    });
}

void ComposerView::bindField(AddressField* field, void (ComposerSession::*set)(const QString&),
                             void (ComposerSession::*changed)(),
                             const QString& (ComposerSession::*get)() const)
{
    field->setText((m_composer->*get)());
    connect(field, &AddressField::edited, this, [this, set, get](const QString& text) {
        // Leaving the field turns what was typed into chips, which can say
        // the same addresses again: no new draft for that.
        if (!m_composer || text == (m_composer->*get)())
            return;
        (m_composer->*set)(text);
        m_composer->markDirty();
    });
    connect(m_composer, changed, field, [this, field, get] {
        if (m_composer && field->text() != (m_composer->*get)())
            field->setText((m_composer->*get)());
    });
    // Offers come from memory only: the book is built once, off this thread.
    field->setCompleter([this, field](const QString& typed) {
        const std::shared_ptr<const AddressBook> book =
            m_composer ? m_composer->addressBook() : nullptr;
        QList<Contact> offered = book ? book->matches(typed) : QList<Contact>();
        // Whoever is on the line already is not offered again.
        QSet<QString> chosen;
        for (const AddressChip* chip : field->chips()) {
            if (const std::optional<OutgoingAddress> mailbox =
                    OutgoingAddress::parse(chip->entry()))
                chosen.insert(mailbox->address.toLower());
        }
        offered.removeIf(
            [&](const Contact& contact) { return chosen.contains(contact.address.toLower()); });
        return offered;
    });
}

void ComposerView::showCcBcc()
{
    m_form->setRowVisible(m_ccBccRow, false);
    m_form->setRowVisible(m_cc, true);
    m_form->setRowVisible(m_bcc, true);
    m_cc->setFocus();
}

void ComposerView::addDropped(const QList<QUrl>& urls)
{
    if (!m_composer)
        return;
    // Links dropped from a browser are no files to attach.
    QStringList paths;
    for (const QUrl& url : urls) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    m_composer->addFiles(paths);
}

void ComposerView::rebuildAttachments()
{
    // Later, not now: the row whose button asked for this is still inside
    // its click.
    for (AttachmentRow* row : std::as_const(m_rows)) {
        m_attachmentsList->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    m_rows.clear();
    const QList<OutgoingAttachment> attachments =
        m_composer ? m_composer->attachments() : QList<OutgoingAttachment>();
    for (qsizetype i = 0; i < attachments.size(); ++i) {
        auto* row = new AttachmentRow(attachments.at(i), m_attachmentsBox);
        connect(row, &AttachmentRow::removeClicked, this, [this, i] {
            if (m_composer)
                m_composer->removeAttachmentAndTwins(i);
        });
        m_attachmentsList->insertWidget(int(i), row);
        m_rows.append(row);
    }
    m_attachmentsBox->setVisible(!attachments.isEmpty());
    m_sizeWarning->setVisible(m_composer && m_composer->attachmentsTotalSize() >
                                                ComposerSession::attachmentLimit);
    refreshActions();
}

void ComposerView::refreshActions()
{
    const bool sending = m_composer && m_composer->isSending();
    m_send->setText(sending ? tr("A enviar") : tr("Enviar"));
    m_send->setEnabled(!m_closing && m_composer && m_composer->canSend());
    m_error->setText(m_composer ? m_composer->error() : QString());
    m_error->setVisible(!m_error->text().isEmpty());
    m_conflict->setVisible(m_composer && m_composer->hasConflict());
}

bool ComposerView::isBusy() const
{
    // While the message is going out the sheet stays: it closes by itself
    // once sent, or stays with the error.
    return m_closing || (m_composer && m_composer->isSending());
}

void ComposerView::closeSaving()
{
    if (!isBusy())
        fireAndForget(closeAfterSave());
}

void ComposerView::discard()
{
    if (!isBusy())
        fireAndForget(discardThenClose());
}

void ComposerView::send()
{
    if (!m_closing && m_composer && m_composer->canSend())
        fireAndForget(sendThenClose());
}

QCoro::Task<> ComposerView::closeAfterSave()
{
    m_closing = true;
    QPointer<ComposerView> self(this);
    if (m_composer)
        co_await m_composer->autosave();
    if (!self)
        co_return;
    // What could not be saved stays on screen, with the reason, rather than
    // going with the window.
    if (m_composer && (m_composer->hasConflict() || m_composer->hasUnsavedEdits())) {
        m_closing = false;
        refreshActions();
        co_return;
    }
    dismiss();
}

QCoro::Task<> ComposerView::discardThenClose()
{
    m_closing = true;
    QPointer<ComposerView> self(this);
    if (m_composer)
        co_await m_composer->discardDraft();
    if (self)
        dismiss();
}

QCoro::Task<> ComposerView::sendThenClose()
{
    QPointer<ComposerView> self(this);
    const bool sent = co_await m_composer->send();
    if (!self)
        co_return;
    if (sent)
        dismiss();
    else
        refreshActions();
}

void ComposerView::dismiss()
{
    m_closing = true;
    refreshActions();
    Q_EMIT dismissed();
}

} // namespace vesk
