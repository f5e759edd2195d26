// The composer against a real account session and the stand-in; addresses
// as chips, completed from the keyboard; spelling with the spelling tests'
// own dictionaries; and a whole window driven by real keys only, from the
// new message to what Google receives.

#include "SimpleMessage.h"
#include "TestFiles.h"
#include "UiRig.h"
#include "compose/AddressBook.h"
#include "compose/ComposerSession.h"
#include "model/MailStore.h"
#include "platform/QSettingsStore.h"
#include "spelling/ComposerSpelling.h"
#include "spelling/SpellChecker.h"
#include "spelling/SpellWords.h"
#include "spelling/SpellingService.h"
#include "sync/AccountSession.h"
#include "ui/composer/AddressChip.h"
#include "ui/composer/AddressField.h"
#include "ui/composer/AttachmentRow.h"
#include "ui/composer/CompletionPopup.h"
#include "ui/composer/ComposerBodyEdit.h"
#include "ui/composer/ComposerHeader.h"
#include "ui/composer/ComposerView.h"
#include "ui/composer/ComposerWindow.h"
#include "ui/composer/LineEditSpelling.h"
#include "ui/style/Brand.h"
#include "ui/widgets/PillButton.h"
#include "ui/window/MainWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolButton>

using namespace Qt::StringLiterals;
using namespace vesk;
using namespace vesk::test;
using namespace std::chrono_literals;

namespace {

const QString email = u"joana@exemplo.pt"_s;
using Mode = ComposerSession::Mode;

FullMessage received()
{
    FullMessage message;
    message.id = u"m1"_s;
    message.threadId = u"t1"_s;
    message.fromName = u"Rui Sá"_s;
    message.fromEmail = u"rui@x.pt"_s;
    message.to = email;
    message.subject = u"Contas"_s;
    message.date = QDateTime(QDate(2026, 3, 5), QTime(14, 30), Qt::UTC);
    message.plainText = u"Segue."_s;
    return message;
}

OutgoingAttachment attachment(const QString& name, qint64 size)
{
    return {name, u"application/octet-stream"_s, QByteArray(size, 'x')};
}

void drop(ComposerBodyEdit* body, const QList<QUrl>& urls)
{
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = body->viewport()->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(body->viewport(), &enter);
    QVERIFY(body->isDropTargeted());
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(body->viewport(), &dropped);
    QVERIFY(!body->isDropTargeted());
}

/// The composer's window, open beside a main window.
struct OpenComposer
{
    QWidget main;
    ComposerWindow window;
    QSignalSpy finished{&window, &ComposerWindow::finished};

    explicit OpenComposer(ComposerSession& composer)
        : window(composer, &main)
    {
        main.resize(900, 700);
        main.show();
        window.show();
        window.activateWindow();
    }

    ComposerView* view() { return window.view(); }
    bool closes() { return finished.size() == 1 || finished.wait(5000); }
};

const QString s_dictionaries = QStringLiteral(VESK_TEST_DICTIONARIES);

/// A service over the test dictionaries, with its words and settings in `folder`.
std::shared_ptr<SpellingService> serviceIn(const QTemporaryDir& folder)
{
    return std::make_shared<SpellingService>(
        SpellDictionaries({s_dictionaries}), folder.path(),
        std::make_shared<QSettingsStore>(folder.filePath(u"settings.ini"_s)));
}

/// A composer with a closed account: spelling needs no Google.
struct Composer
{
    ComposerSession session{ComposerSession::Mode::New, ComposerAccount{}};
    ComposerView view{session};

    Composer(std::shared_ptr<SpellingService> service, const QString& body = {})
    {
        session.setBody(body);
        view.setSpelling(std::move(service));
        view.resize(640, 480);
        view.show();
    }
};

QTextCursor find(ComposerBodyEdit* body, const QString& word)
{
    return body->document()->find(word, 0, QTextDocument::FindWholeWords);
}

/// Whether the body underlines `word` as misspelt, as its layout draws it.
bool isMarked(ComposerBodyEdit* body, const QString& word)
{
    const QTextCursor found = find(body, word);
    if (found.isNull())
        return false;
    const QTextBlock block = found.block();
    for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
        if (range.start == found.selectionStart() - block.position() &&
            range.length == word.size() &&
            range.format.underlineStyle() == QTextCharFormat::SpellCheckUnderline)
            return true;
    }
    return false;
}

std::unique_ptr<QMenu> bodyMenuOn(ComposerBodyEdit* body, const QString& word)
{
    return body->contextMenuAt(body->cursorRect(find(body, word)).center());
}

/// Pixels of the underline's red in what the field draws.
int redPixels(QWidget* field)
{
    const QImage image = field->grab().toImage();
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.red() > 180 && c.green() < 140 && c.blue() < 140 ? 1 : 0;
        }
    }
    return count;
}

/// A point of the field over the character at `position`.
QPoint pointAt(QLineEdit* field, int position)
{
    for (int x = 0; x < field->width(); ++x) {
        if (field->cursorPositionAt({x, field->height() / 2}) == position)
            return {x + 1, field->height() / 2};
    }
    return {};
}

AddressBook book()
{
    AddressBook::Builder builder(u"joana@exemplo.pt"_s, 0);
    builder.addRecipient(u"Ana Silva"_s, u"ana@x.pt"_s, 0);
    builder.addRecipient(u"Ana Simões"_s, u"asimoes@y.pt"_s, -86400000);
    builder.addSender(u"Sara"_s, u"sara@z.pt"_s, 0);
    return std::move(builder).build();
}

QStringList chipTexts(const AddressField& field)
{
    return valuesOf(field.chips(), [](const AddressChip* chip) -> QString {
        return chip->text() + (chip->isValid() ? u""_s : u" !"_s) + u" | "_s + chip->toolTip();
    });
}

/// An address field completing from book(), with a field after it to
/// take the focus.
struct AddressForm
{
    QWidget window;
    AddressField* field = new AddressField(u"Para"_s, &window);
    QLineEdit* next = new QLineEdit(&window);

    AddressForm()
    {
        field->setGeometry(10, 10, 500, 30);
        next->setGeometry(10, 300, 200, 30);
        field->setCompleter(
            [people = book()](const QString& typed) { return people.matches(typed); });
        window.resize(600, 400);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            qFatal("the address field never showed");
        field->setFocus();
    }

    QLineEdit* input() const { return field->input(); }
    bool offering() const { return field->popup() && field->popup()->isVisible(); }
};

} // namespace

class TestComposerView : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestRig> m_rig;
    std::unique_ptr<AccountSession> m_session;
    ComposerAccount account() const { return AppState::composerAccount(m_session.get()); }

    std::unique_ptr<ComposerSession> composerIn(Mode mode = Mode::New)
    {
        auto composer = mode == Mode::Forward
                            ? awaitTask(ComposerSession::forward(received(), account()))
                        : mode == Mode::New
                            ? std::make_unique<ComposerSession>(mode, account())
                            : ComposerSession::reply(received(), mode == Mode::ReplyAll, account());
        composer->setAutosaveDelay(50ms);
        return composer;
    }

    /// A file of the test's own folder holding these bytes; empty when it cannot be written.
    QString fileHolding(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_rig->path(name);
        return test::writeFile(path, bytes) ? path : QString();
    }

private slots:
    void initTestCase() { Brand::apply(*qApp); }

    void init()
    {
        const AccountIdentity joana{email, u"Joana"_s};
        m_rig = std::make_unique<TestRig>(QList{joana});
        m_session = m_rig->session(joana, false);
    }

    void cleanup()
    {
        m_session.reset();
        m_rig.reset();
    }

    void eachModeFillsTheSheetAndTheKeyboardStartsWhereWritingDoes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("subject");
        QTest::newRow("new") << int(Mode::New) << u"Nova mensagem"_s << QString() << QString();
        QTest::newRow("reply") << int(Mode::Reply) << u"Responder"_s << u"rui@x.pt"_s
                               << u"Re: Contas"_s;
        QTest::newRow("reply all")
            << int(Mode::ReplyAll) << u"Responder a todos"_s << u"rui@x.pt"_s << u"Re: Contas"_s;
        QTest::newRow("forward") << int(Mode::Forward) << u"Reencaminhar"_s << QString()
                                 << u"Fwd: Contas"_s;
    }

    /// Real key events on whatever has the keyboard once the sheet is up: the
    /// text lands where a person starts writing, and Tab walks the fields in
    /// the order a message is written, out of the body too.
    void eachModeFillsTheSheetAndTheKeyboardStartsWhereWritingDoes()
    {
        QFETCH(int, mode);
        QFETCH(QString, title);
        QFETCH(QString, to);
        QFETCH(QString, subject);
        const std::unique_ptr<ComposerSession> composer = composerIn(Mode(mode));
        const QString quoted = composer->body();
        OpenComposer open(*composer);
        QVERIFY(QTest::qWaitForWindowActive(&open.window));
        ComposerView* view = open.view();
        QCOMPARE(view->header()->titleLabel()->text(), title);
        QVERIFY(!view->header()->draftNoteLabel()->isVisible());
        QCOMPARE(view->toField()->text(), to);
        QCOMPARE(view->subjectField()->text(), subject);
        QCOMPARE(view->bodyEditor()->toPlainText(), quoted);
        const QList<QLabel*> labels = view->findChildren<QLabel*>();
        QVERIFY(std::any_of(labels.begin(), labels.end(),
                            [](const QLabel* label) { return label->text() == email; }));
        QCOMPARE(view->sendButton()->isEnabled(), !to.isEmpty());
        QVERIFY(view->attachmentRows().isEmpty());

        QTest::keyClicks(QApplication::focusWidget(), u"ola mundo"_s);
        QVERIFY(open.window.isVisible());
        if (to.isEmpty()) {
            QCOMPARE(composer->to(), u"ola mundo"_s);
            QCOMPARE(composer->body(), quoted);
        } else {
            QCOMPARE(composer->body(), u"ola mundo"_s + quoted);
        }

        view->toField()->setFocus();
        const QList<QWidget*> order{view->ccBccButton(), view->subjectField(), view->bodyEditor(),
                                    view->attachButton(), view->discardButton()};
        for (QWidget* next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        QVERIFY(!composer->body().contains(u'\t'));
        // Cc and Bcc wait behind their button, which goes once pressed.
        QVERIFY(!view->ccField()->isVisible() && !view->bccField()->isVisible());
        view->ccBccButton()->click();
        QVERIFY(view->ccField()->isVisible() && view->bccField()->isVisible());
        QVERIFY(!view->ccBccButton()->isVisible());
        QCOMPARE(QApplication::focusWidget(), view->ccField()->input());
        QTest::keyClick(view->ccField()->input(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), view->bccField()->input());
        QTest::keyClick(view->bccField()->input(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), view->subjectField());

        view->toField()->clear();
        QTest::keyClicks(view->toField()->input(), u" , ,"_s);
        QCOMPARE(composer->to(), QString());
        QVERIFY(!view->sendButton()->isEnabled());
        QTest::keyClicks(view->toField()->input(), u"ana@x.pt"_s);
        QVERIFY(view->sendButton()->isEnabled());

        // Each edit asks for a draft; the first one saved is noted in the header.
        QSignalSpy saved(composer.get(), &ComposerSession::draftSaved);
        QTest::keyClicks(view->bodyEditor(), u"Bom dia"_s);
        QVERIFY(composer->body().contains(u"Bom dia"));
        QVERIFY(saved.wait(5000));
        QVERIFY(view->header()->draftNoteLabel()->isVisible());
    }

    /// Real keys: offers follow what is typed, Down and Up move, Enter and
    /// Tab take, Backspace in an empty entry removes a chip.
    void completesWithTheKeyboard()
    {
        AddressForm form;
        QSignalSpy edited(form.field, &AddressField::edited);
        QTest::keyClicks(form.input(), u"an"_s);
        QVERIFY(form.offering());
        QCOMPARE(form.field->popup()->contacts().size(), 2);
        QCOMPARE(edited.constLast().first().toString(), u"an"_s);
        QTest::keyClick(form.input(), Qt::Key_Down);
        QTest::keyClick(form.input(), Qt::Key_Down);
        QTest::keyClick(form.input(), Qt::Key_Up);
        QTest::keyClick(form.input(), Qt::Key_Return);
        QVERIFY(!form.offering());
        QCOMPARE(chipTexts(*form.field), QStringList{u"Ana Simões | Ana Simões <asimoes@y.pt>"_s});
        QCOMPARE(form.field->text(), u"Ana Simões <asimoes@y.pt>"_s);
        QCOMPARE(edited.constLast().first().toString(), form.field->text());

        QTest::keyClicks(form.input(), u"SARA"_s);
        QTest::keyClick(form.input(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), form.input());
        QCOMPARE(form.field->text(), u"Ana Simões <asimoes@y.pt>, Sara <sara@z.pt>"_s);

        // Nothing offered: Tab leaves, Escape closes the offers.
        QTest::keyClicks(form.input(), u"a"_s);
        QTest::keyClick(form.input(), Qt::Key_Escape);
        QVERIFY(!form.offering());
        QTest::keyClick(form.input(), Qt::Key_Backspace);
        QTest::keyClick(form.input(), Qt::Key_Backspace);
        QCOMPARE(form.field->chips().size(), 1);
        QCOMPARE(form.field->text(), u"Ana Simões <asimoes@y.pt>"_s);
        QTest::keyClick(form.input(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), form.next);
    }

    void typedAndPastedEntriesBecomeChips_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QStringList>("chips");
        QTest::addColumn<QString>("text");
        QTest::addRow("comma and semicolon")
            << u"rui@x.pt, ana;"_s << QString()
            << QStringList{u"rui@x.pt | rui@x.pt"_s,
                           u"ana ! | ana não é um endereço válido: Falta o @ e o domínio."_s}
            << u"rui@x.pt, ana"_s;
        QTest::addRow("quoted comma, then Enter")
            << u"\"Silva, Ana\" <a@x.pt>\n"_s << QString()
            << QStringList{u"Silva, Ana | Silva, Ana <a@x.pt>"_s} << u"\"Silva, Ana\" <a@x.pt>"_s;
        QTest::addRow("two @") << u"a@b@c.pt,"_s << QString()
                               << QStringList{u"a@b@c.pt ! | a@b@c.pt não é um endereço válido: "
                                              u"Tem mais de um @."_s}
                               << u"a@b@c.pt"_s;
        QTest::addRow("pasted list") << QString() << u"a@x.pt, Rui <r@y.pt>\nsem@"_s
                                     << QStringList{u"a@x.pt | a@x.pt"_s, u"Rui | Rui <r@y.pt>"_s,
                                                    u"sem@ ! | sem@ não é um endereço válido: "
                                                    u"Falta o domínio depois do @."_s}
                                     << u"a@x.pt, Rui <r@y.pt>, sem@"_s;
        QTest::addRow("blank pieces") << u" , ;"_s << QString() << QStringList{} << QString();
    }

    void typedAndPastedEntriesBecomeChips()
    {
        AddressForm form;
        QFETCH(QString, typed);
        QFETCH(QString, pasted);
        QFETCH(QStringList, chips);
        QFETCH(QString, text);
        for (const QChar c : typed) {
            if (c == u'\n')
                QTest::keyClick(form.input(), Qt::Key_Return);
            else
                QTest::keyClicks(form.input(), QString(c));
        }
        if (!pasted.isEmpty()) {
            QApplication::clipboard()->setText(pasted);
            QTest::keySequence(form.input(), QKeySequence::Paste);
        }
        QCOMPARE(chipTexts(*form.field), chips);
        QCOMPARE(form.field->text(), text);
        QVERIFY(form.input()->text().isEmpty());
        // The text reads back into the same chips.
        form.field->setText(text);
        QCOMPARE(chipTexts(*form.field), chips);
    }

    /// A reply to many: the chips wrap onto lines of the field's own width
    /// rather than widening it, and the input keeps room on the last line.
    void manyChipsWrapWithinTheWidth()
    {
        AddressForm form;
        QStringList many;
        for (int i = 0; i < 12; ++i)
            many.append(u"Pessoa Número %1 <pessoa%1@exemplo.pt>"_s.arg(i));
        form.field->setText(many.join(u", "_s));
        // The chips of a field on screen show once the event loop runs.
        QApplication::processEvents();
        QVERIFY(form.field->minimumSizeHint().width() < 500);
        const int height = form.field->heightForWidth(500);
        QVERIFY(height > 3 * 30);
        form.field->resize(500, height);
        QApplication::processEvents();
        for (const AddressChip* chip : form.field->chips())
            QVERIFY(form.field->rect().contains(chip->geometry()));
        QVERIFY(form.field->rect().contains(form.input()->geometry()));
        QVERIFY(form.input()->width() >= 80);
    }

    void droppedFilesBecomeAttachments()
    {
        const QString a = fileHolding(u"a.txt"_s, "um");
        const QString b = fileHolding(u"b.pdf"_s, "%PDF");
        const QString folder = m_rig->path(u"pasta"_s);
        QVERIFY(QDir().mkdir(folder));
        const auto composer = composerIn();
        composer->setTo(u"rui@x.pt"_s);
        ComposerView view(*composer);
        view.show();
        QSignalSpy saved(composer.get(), &ComposerSession::draftSaved);

        drop(view.bodyEditor(),
             {QUrl::fromLocalFile(a), QUrl::fromLocalFile(folder),
              QUrl::fromLocalFile(m_rig->path(u"nada.txt"_s)), QUrl::fromLocalFile(b)});
        QCOMPARE(view.attachmentRows().size(), 2);
        QCOMPARE(composer->attachments().at(0).filename, u"a.txt"_s);
        QCOMPARE(composer->attachments().at(0).data, QByteArray("um"));
        QCOMPARE(composer->attachments().at(1).mimeType, u"application/pdf"_s);
        QVERIFY(view.bodyEditor()->toPlainText().isEmpty());
        QVERIFY(saved.wait(5000));

        drop(view.bodyEditor(), {QUrl::fromLocalFile(folder)});
        QCOMPARE(composer->attachments().size(), 2);
    }

    void attachmentRowsRemoveTwinsAndWarnOverTheLimit()
    {
        const auto composer = composerIn();
        composer->setTo(u"rui@x.pt"_s);
        composer->addAttachments(
            {attachment(u"a.bin"_s, 3), attachment(u"b.bin"_s, 3), attachment(u"a.bin"_s, 3)});
        ComposerView view(*composer);
        view.show();
        QCOMPARE(view.attachmentRows().size(), 3);
        view.attachmentRows().at(2)->removeButton()->click();
        QCOMPARE(composer->attachments().size(), 1);
        QCOMPARE(composer->attachments().first().filename, u"b.bin"_s);
        QCOMPARE(view.attachmentRows().size(), 1);

        // Exactly at the limit still sends; one byte more warns and stops it.
        composer->addAttachments({attachment(u"big.bin"_s, ComposerSession::attachmentLimit - 3)});
        QVERIFY(!view.sizeWarning()->isVisible());
        QVERIFY(view.sendButton()->isEnabled());
        composer->addAttachments({attachment(u"one.bin"_s, 1)});
        QVERIFY(view.sizeWarning()->isVisible());
        QCOMPARE(view.sizeWarning()->text(), u"Os anexos passam o limite de 25 MB do Gmail."_s);
        QVERIFY(!view.sendButton()->isEnabled());
        view.attachmentRows().at(2)->removeButton()->click();
        QVERIFY(!view.sizeWarning()->isVisible());
        QVERIFY(view.sendButton()->isEnabled());
    }

    void sendingClosesTheSheetOnlyOnceSent()
    {
        awaitTask(m_session->startSync());
        const auto composer = composerIn();
        composer->setSubject(u"Olá"_s);
        OpenComposer open(*composer);
        QVERIFY(QTest::qWaitForWindowActive(&open.window));
        ComposerView* view = open.view();

        QTest::keyClicks(view->toField()->input(), u"rui@x.pt, ana"_s);
        QSignalSpy errors(composer.get(), &ComposerSession::errorChanged);
        view->sendButton()->click();
        QTRY_VERIFY(!composer->isSending());
        QVERIFY(view->errorLabel()->isVisible());
        QCOMPARE(view->errorLabel()->text(), u"Endereço inválido: ana"_s);
        QVERIFY(open.window.isVisible());
        QCOMPARE(open.finished.size(), 0);

        QStringList seen;
        connect(composer.get(), &ComposerSession::isSendingChanged, this, [&] {
            seen.append(view->sendButton()->text() +
                        (view->sendButton()->isEnabled() ? u" on" : u" off"));
        });
        view->toField()->clear();
        QTest::keyClicks(view->toField()->input(), u"rui@x.pt"_s);
        QTest::keyClick(view->bodyEditor(), Qt::Key_Return, Qt::ControlModifier);
        QVERIFY(open.closes());
        QCOMPARE(seen.first(), u"A enviar off"_s);
        QVERIFY(view->bodyEditor()->toPlainText().isEmpty());
        QCOMPARE(m_session->store()->summaries(u"SENT"_s).size(), 1);
    }

    void attachingThroughTheDialogAndDiscarding()
    {
        const auto dialogs = std::make_shared<AnsweringDialogs>();
        dialogs->files = {fileHolding(u"nota.txt"_s, "nota"), m_rig->path(u"falta.txt"_s)};
        ComposerSession composer(Mode::New, account(), dialogs);
        composer.setAutosaveDelay(50ms);
        OpenComposer open(composer);
        QVERIFY(QTest::qWaitForWindowActive(&open.window));
        ComposerView* view = open.view();

        QTest::keyClick(&open.window, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(dialogs->asked.size(), 1);
        QCOMPARE(view->attachmentRows().size(), 1);
        QCOMPARE(composer.attachments().first().data, QByteArray("nota"));

        QSignalSpy saved(&composer, &ComposerSession::draftSaved);
        QTest::keyClicks(view->subjectField(), u"Nota"_s);
        QVERIFY(saved.wait(5000));
        QCOMPARE(m_rig->google().draftIds(email).size(), 1);
        view->discardButton()->click();
        QVERIFY(open.closes());
        QVERIFY(m_rig->google().draftIds(email).isEmpty());
    }

    void escapeSavesTheDraftBeforeClosing()
    {
        auto composer = composerIn();
        composer->setAutosaveDelay(1h);
        OpenComposer open(*composer);
        QTest::keyClicks(open.view()->bodyEditor(), u"Ate logo"_s);
        QTest::keyClick(&open.window, Qt::Key_Escape);
        QVERIFY(open.closes());
        QCOMPARE(m_rig->google().draftIds(email).size(), 1);
    }

    void bodyMarksCorrectsAndLearns()
    {
        QTemporaryDir folder;
        {
            Composer composer(serviceIn(folder));
            ComposerBodyEdit* body = composer.view.bodyEditor();
            QTRY_VERIFY(composer.view.spelling()->isReady());
            body->setFocus();
            QTest::keyClicks(body, u"Bom dia coracao Vesk"_s);
            QTRY_VERIFY(isMarked(body, u"coracao"_s));
            QVERIFY(isMarked(body, u"Vesk"_s));
            QVERIFY(!isMarked(body, u"dia"_s));

            std::unique_ptr<QMenu> menu = bodyMenuOn(body, u"coracao"_s);
            QVERIFY(menu->findChild<QAction*>(u"edit-paste"_s)); // the standard ones stay
            QVERIFY(action(*menu, u"coração"_s));
            action(*menu, u"coração"_s)->trigger();
            QCOMPARE(composer.session.body(), u"Bom dia coração Vesk"_s);
            QTRY_VERIFY(!isMarked(body, u"coração"_s));
            body->undo(); // one step back to what was typed
            QCOMPARE(body->toPlainText(), u"Bom dia coracao Vesk"_s);

            menu = bodyMenuOn(body, u"Vesk"_s);
            action(*menu, u"Adicionar ao dicionário"_s)->trigger();
            QTRY_VERIFY(!isMarked(body, u"Vesk"_s));
            QVERIFY(isMarked(body, u"coracao"_s));
        }
        // After a restart: a new service over the same folder. The body is
        // long, so its end is checked in later slices, not at once.
        Composer later(serviceIn(folder),
                       u"Vesk e coracao\n"_s + u"texto\n"_s.repeated(5000) + u"mensagen"_s);
        QTRY_VERIFY(isMarked(later.view.bodyEditor(), u"coracao"_s));
        QVERIFY(!isMarked(later.view.bodyEditor(), u"Vesk"_s));
        QTRY_VERIFY(isMarked(later.view.bodyEditor(), u"mensagen"_s));
    }

    void subjectMarksAndLanguageIsRemembered()
    {
        QTemporaryDir folder;
        const auto service = serviceIn(folder);
        Composer composer(service);
        QLineEdit* subject = composer.view.subjectField();
        QTRY_VERIFY(composer.view.spelling()->isReady());
        QTest::keyClicks(subject, u"Bom texto"_s);
        QCOMPARE(redPixels(subject), 0);
        QTest::keyClicks(subject, u" mensagen"_s);
        QCOMPARE(composer.view.subjectSpelling()->misspelt(), (QList<WordSpan>{{10, 8}}));
        QVERIFY(redPixels(subject) > 0);

        std::unique_ptr<QMenu> menu =
            composer.view.subjectSpelling()->contextMenuAt(pointAt(subject, 12));
        QVERIFY(action(*menu, u"mensagem"_s));
        action(*menu, u"mensagem"_s)->trigger();
        QCOMPARE(composer.session.subject(), u"Bom texto mensagem"_s);
        QCOMPARE(redPixels(subject), 0);
        subject->undo();
        QCOMPARE(subject->text(), u"Bom texto mensagen"_s);

        // Another language for this composer, and for the next ones.
        menu = composer.view.subjectSpelling()->contextMenuAt(pointAt(subject, 1));
        const QString english = SpellDictionaries::displayName(u"en_US"_s);
        QVERIFY(action(*menu, english));
        action(*menu, english)->trigger();
        QTRY_COMPARE(composer.view.subjectSpelling()->misspelt().size(), 3);
        QCOMPARE(ComposerSpelling(service).language(), u"en_US"_s);
    }

    /// A whole window driven by real keys only, from the new message to
    /// what Google receives.
    void completeAnAddressAndSend()
    {
        UiRig rig;
        fakegoogle::SimpleMessage sent;
        sent.from = u"Ana <ana@exemplo.pt>"_s;
        sent.to = u"Rui Costa <rui@exemplo.pt>"_s;
        sent.subject = u"Viagem"_s;
        sent.text = u"Até breve"_s;
        rig.google().addMessage(ana, sent.toRfc822(), {u"SENT"_s});
        fakegoogle::SimpleMessage received = sent;
        received.from = u"Rute Lima <rute@x.pt>"_s;
        received.to = ana;
        rig.google().deliverMessage(ana, received.toRfc822());
        AppState& state = rig.start();
        awaitTask(AppRig::sessionOf(state, ana)->ensureLabelLoaded(u"SENT"_s));
        MainWindow window(state, MainWindow::Columns{new QWidget, new QWidget, new QWidget}, {},
                          rig.rig.settings());
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        QTest::keyClick(&window, Qt::Key_N, Qt::ControlModifier);
        QTRY_VERIFY(window.composerWindow() && window.composerWindow()->isActiveWindow());
        ComposerView* view = window.composerWindow()->view();
        QTRY_VERIFY_LONG(state.composer() && state.composer()->addressBook());

        // Whom Ana wrote to comes before whom she heard from.
        QTest::keyClicks(QApplication::focusWidget(), u"ru"_s);
        QVERIFY(view->toField()->popup() && view->toField()->popup()->isVisible());
        QCOMPARE(view->toField()->popup()->contacts().size(), 2);
        QCOMPARE(view->toField()->popup()->contacts().first().address, u"rui@exemplo.pt"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(view->toField()->chips().size(), 1);
        QCOMPARE(view->toField()->chips().first()->toolTip(), u"Rute Lima <rute@x.pt>"_s);
        // Whom the message goes to already is not offered again.
        QTest::keyClicks(QApplication::focusWidget(), u"ru"_s);
        QCOMPARE(view->toField()->popup()->contacts().size(), 1);
        QCOMPARE(view->toField()->popup()->contacts().first().address, u"rui@exemplo.pt"_s);
        for (int typed = 0; typed < 2; ++typed)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);

        for (int field = 0; field < 2; ++field)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), view->subjectField());
        QTest::keyClicks(QApplication::focusWidget(), u"Jantar"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClicks(QApplication::focusWidget(), u"Sexta as oito?"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return, Qt::ControlModifier);
        QTRY_VERIFY_LONG(!window.composerWindow());

        const QStringList ids = rig.google().messageIds(ana);
        QVERIFY(rig.google().labelIds(ana, ids.first()).contains(u"SENT"_s));
        const QByteArray raw = rig.google().rawMessage(ana, ids.first());
        const qsizetype split = raw.indexOf("\r\n\r\n");
        QVERIFY(split > 0);
        QList<QByteArray> headers;
        for (const QByteArray& line : raw.left(split).split('\n')) {
            const QByteArray name = line.left(line.indexOf(':'));
            if (QList<QByteArray>{"From", "To", "Cc", "Bcc", "Subject"}.contains(name))
                headers.append(line.trimmed());
        }
        QCOMPARE(headers, (QList<QByteArray>{"From: ana@exemplo.pt", "To: Rute Lima <rute@x.pt>",
                                             "Subject: Jantar"}));
        QVERIFY(raw.left(split).contains("Content-Transfer-Encoding: base64"));
        QCOMPARE(QByteArray::fromBase64(raw.mid(split + 4).trimmed()), "Sexta as oito?");
    }
};

QTEST_MAIN(TestComposerView)
#include "tst_composerview.moc"
