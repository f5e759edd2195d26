#pragma once

#include "compose/ComposerSession.h"

#include <QCoroTask>
#include <QList>
#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <memory>

class QFormLayout;
class QLabel;
class QLayout;
class QLineEdit;
class QVBoxLayout;

namespace vesk {

class AddressField;
class AttachmentRow;
class ComposerBodyEdit;
class ComposerHeader;
class DraftConflictBar;
class ComposerSpelling;
class LineEditSpelling;
class PillButton;
class SpellingService;

/// The form in which one message is written, bound to its ComposerSession:
/// every edit goes to the session at once and asks it to save a draft.
/// "Fechar" saves before it lets go, "Descartar" deletes the draft, and
/// "Enviar" closes only once the message has gone; each then emits
/// `dismissed` for the sheet around it to close. Holds no copy of the
/// message: what it shows is read from the session when it changes.
/// GUI thread only.
class ComposerView final : public QWidget
{
    Q_OBJECT

public:
    explicit ComposerView(ComposerSession& composer, QWidget* parent = nullptr);

    static QString titleOf(ComposerSession::Mode mode);

    /// Checks the spelling of the subject and body from now on, in the
    /// language last chosen; without it nothing is checked.
    void setSpelling(std::shared_ptr<SpellingService> service);
    ComposerSpelling* spelling() const { return m_spelling; }
    LineEditSpelling* subjectSpelling() const { return m_subjectSpelling; }

    ComposerHeader* header() const { return m_header; }
    /// Shown while the draft was changed elsewhere.
    DraftConflictBar* conflictBar() const { return m_conflict; }
    AddressField* toField() const { return m_to; }
    AddressField* ccField() const { return m_cc; }
    AddressField* bccField() const { return m_bcc; }
    QLineEdit* subjectField() const { return m_subject; }
    PillButton* ccBccButton() const { return m_showCcBcc; }
    ComposerBodyEdit* bodyEditor() const { return m_body; }
    QList<AttachmentRow*> attachmentRows() const { return m_rows; }
    QLabel* sizeWarning() const { return m_sizeWarning; }
    QLabel* errorLabel() const { return m_error; }
    PillButton* attachButton() const { return m_attach; }
    PillButton* discardButton() const { return m_discard; }
    PillButton* sendButton() const { return m_send; }

public Q_SLOTS:
    /// Saves the draft, then lets the sheet close.
    void closeSaving();
    void discard();
    void send();

Q_SIGNALS:
    void dismissed();

private:
    QWidget* buildForm();
    QWidget* buildActions();
    void setUpKeyboard();
    void bindField(QLineEdit* field, void (ComposerSession::*set)(const QString&),
                   void (ComposerSession::*changed)(),
                   const QString& (ComposerSession::*get)() const);
    void bindField(AddressField* field, void (ComposerSession::*set)(const QString&),
                   void (ComposerSession::*changed)(),
                   const QString& (ComposerSession::*get)() const);
    void showCcBcc();
    void addDropped(const QList<QUrl>& urls);
    void rebuildAttachments();
    void refreshActions();
    QCoro::Task<> closeAfterSave();
    QCoro::Task<> discardThenClose();
    QCoro::Task<> sendThenClose();
    bool isBusy() const;
    /// Ends the view's part: later actions do nothing, and the sheet closes.
    void dismiss();

    QPointer<ComposerSession> m_composer;
    bool m_closing = false;
    ComposerHeader* m_header;
    DraftConflictBar* m_conflict;
    QLabel* m_from = nullptr;
    AddressField* m_to = nullptr;
    AddressField* m_cc = nullptr;
    AddressField* m_bcc = nullptr;
    QLineEdit* m_subject = nullptr;
    PillButton* m_showCcBcc = nullptr;
    QFormLayout* m_form = nullptr;
    QLayout* m_ccBccRow = nullptr;
    ComposerBodyEdit* m_body;
    QWidget* m_attachmentsBox;
    QVBoxLayout* m_attachmentsList;
    QList<AttachmentRow*> m_rows;
    QLabel* m_sizeWarning;
    QLabel* m_error = nullptr;
    PillButton* m_attach = nullptr;
    PillButton* m_discard = nullptr;
    PillButton* m_send = nullptr;
    ComposerSpelling* m_spelling = nullptr;
    LineEditSpelling* m_subjectSpelling = nullptr;
};

} // namespace vesk
