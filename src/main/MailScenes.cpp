#include "MailScenes.h"

#include "DemoSeed.h"
#include "app/AppState.h"
#include "compose/ComposerSession.h"
#include "model/SystemLabels.h"
#include "model/ThreadSummary.h"
#include "sync/AccountSession.h"
#include "transfers/TransferManager.h"
#include "ui/composer/AddressField.h"
#include "ui/composer/CompletionPopup.h"
#include "ui/composer/ComposerBodyEdit.h"
#include "ui/composer/ComposerView.h"
#include "ui/composer/ComposerWindow.h"
#include "ui/reader/MessageCard.h"
#include "ui/reader/ReaderPane.h"
#include "ui/reader/ReaderSelectionView.h"
#include "ui/reader/ReceivedAttachmentRow.h"
#include "ui/threadlist/ThreadListPane.h"
#include "ui/transfers/TransfersPopover.h"
#include "ui/widgets/FireAndForget.h"
#include "ui/widgets/PillButton.h"
#include "ui/window/MainToolbar.h"
#include "ui/window/MainWindow.h"
#include "ui/window/UndoBar.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace vesk {

using namespace Qt::StringLiterals;

namespace {

constexpr int s_poll = 250;
constexpr int s_settle = 900;
// Web views lay out, paint and fetch their pictures on their own time.
constexpr int s_webSettle = 2500;
constexpr int s_attempts = 80;
// Discarding waits for the draft's deletion at the stand-in.
constexpr int s_longAttempts = 160;
// Over Gmail's 25 MB, so the composer warns.
constexpr qint64 s_largeFileBytes = 27 * 1024 * 1024;

const QString s_newsletter = u"Esta semana em Lisboa: fado, cinema e feiras"_s;
const QString s_planning = u"Reunião de planeamento do 2.º trimestre"_s;
const QString s_showImages = u"Mostrar imagens desta mensagem"_s;
const QString s_finishedFile = u"planta-sala-tejo.png"_s;
const QString s_runningFile = u"agenda-reunião.pdf"_s;
// "gravação" as it sounds; the dictionary knows better.
const QString s_recording = u"gravação"_s;
const QString s_misspelt = u"gravassão"_s;

void report(const QString& what)
{
    std::fprintf(stderr, "vesk-demo: %s\n", qPrintable(what));
}

} // namespace

MailScenes::MailScenes(MainWindow& window, AppState& state, QString scratchFolder,
                       std::function<bool(const QString&)> shoot,
                       std::function<bool(bool)> reachGoogle, std::function<bool()> holdNextListing)
    : QObject(&window)
    , m_window(window)
    , m_state(state)
    , m_reader(window.findChild<ReaderPane*>())
    , m_scratch(std::move(scratchFolder))
    , m_shoot(std::move(shoot))
    , m_reachGoogle(std::move(reachGoogle))
    , m_holdNextListing(std::move(holdNextListing))
{}

MailScenes::~MailScenes() = default;

void MailScenes::start()
{
    if (!m_reader) {
        fail("the window has no reading column");
        end();
        return;
    }
    // The first account's mailbox: the conversation answered is addressed to
    // it, and its agenda is the one served slowly.
    const QString account = QString::fromLatin1(fakegoogle::DemoSeed::firstAccount);
    const AccountSession* selected = m_state.selectedSession();
    if (!selected || selected->id() != account)
        m_state.selectAccount(account);
    const auto listed = [this] {
        const AccountSession* session = m_state.selectedSession();
        return session && !session->isSyncing() && !m_state.visibleThreads().isEmpty();
    };
    waitUntil(listed, "the first demo account's inbox did not show", s_attempts,
              [this] { after(s_settle, [this] { openNewsletter(); }); });
}

void MailScenes::after(int ms, Step step)
{
    QTimer::singleShot(ms, this, std::move(step));
}

void MailScenes::waitUntil(std::function<bool()> ready, const char* what, int attempts, Step next)
{
    if (ready()) {
        next();
        return;
    }
    if (attempts <= 0) {
        fail(what);
        next();
        return;
    }
    after(s_poll, [this, ready = std::move(ready), what, attempts, next = std::move(next)] {
        waitUntil(ready, what, attempts - 1, next);
    });
}

void MailScenes::fail(const char* what)
{
    report(QString::fromUtf8(what));
    ++m_failures;
}

bool MailScenes::openThread(const QString& subject)
{
    for (const ThreadSummary& thread : m_state.visibleThreads()) {
        if (thread.subject().endsWith(subject)) {
            m_state.selectThread(thread);
            return true;
        }
    }
    report(u"no conversation \"%1\" in the list"_s.arg(subject));
    ++m_failures;
    return false;
}

QAbstractButton* MailScenes::showImagesButton() const
{
    for (QAbstractButton* button : m_reader->findChildren<QAbstractButton*>()) {
        if (button->text() == s_showImages && button->isVisible())
            return button;
    }
    return nullptr;
}

void MailScenes::openNewsletter()
{
    if (!openThread(s_newsletter)) {
        openAttachments();
        return;
    }
    waitUntil([this] { return !m_reader->cards().isEmpty(); }, "the newsletter did not open",
              s_attempts,
              [this] {
                  after(s_webSettle, [this] {
                      m_shoot(u"newsletter-blocked"_s);
                      showImages();
                  });
              });
}

void MailScenes::showImages()
{
    QAbstractButton* button = showImagesButton();
    if (!button) {
        // The picture is still taken: it shows the reader as it is.
        report(u"the reader offers no \"%1\" button; newsletter-shown.png shows the message "
               u"as it is"_s.arg(s_showImages));
        m_shoot(u"newsletter-shown"_s);
        openAttachments();
        return;
    }
    button->click();
    waitUntil([this] { return !showImagesButton(); }, "the pictures were not shown", s_attempts,
              [this] {
                  after(s_webSettle, [this] {
                      m_shoot(u"newsletter-shown"_s);
                      openAttachments();
                  });
              });
}

void MailScenes::openAttachments()
{
    if (!openThread(s_planning)) {
        end();
        return;
    }
    const auto rowsShown = [this] {
        qsizetype rows = 0;
        for (const MessageCard* card : m_reader->cards())
            rows += card->attachmentRows().size();
        return rows >= 2;
    };
    waitUntil(rowsShown, "the conversation with attachments did not open", s_attempts, [this] {
        after(s_settle, [this] {
            m_shoot(u"attachments"_s);
            openComposer();
        });
    });
}

void MailScenes::openComposer()
{
    m_reader->replyAction()->trigger();
    waitUntil(
        [this] { return m_window.composerWindow() && m_window.composerWindow()->isVisible(); },
        "the reply did not open the composer", s_attempts,
        [this] {
            if (m_window.composerWindow())
                fillComposer();
            else
                saveFinishedDownload();
        });
}

void MailScenes::fillComposer()
{
    ComposerSession* composer = m_state.composer();
    const QString path = QDir(m_scratch).filePath(u"gravação da reunião.mp4"_s);
    QFile file(path);
    // Sparse: the size is what matters, not the bytes on disk.
    if (!composer || !file.open(QIODevice::WriteOnly) || !file.resize(s_largeFileBytes)) {
        fail("could not attach a large file to the reply");
        closeComposer();
        return;
    }
    file.close();
    composer->setBody(u"Obrigada, Tiago! Segue a gravação da reunião, para quem não pôde "
                      u"estar.\n\n"_s +
                      composer->body());
    composer->addFiles({path});
    composer->markDirty();
    const auto warned = [this] {
        ComposerWindow* window = m_window.composerWindow();
        return window && window->view()->sizeWarning()->isVisible();
    };
    waitUntil(warned, "the composer shows no size warning", s_attempts, [this] {
        after(s_settle, [this] {
            m_shoot(u"composer"_s);
            misspell();
        });
    });
}

void MailScenes::writeAlongside()
{
    m_state.startNewMessage();
    if (ComposerSession* composer = m_state.composer()) {
        composer->setTo(u"rui.costa@exemplo.pt"_s);
        composer->setSubject(u"Almoço de sexta"_s);
        composer->setBody(u"Olá Rui,\n\nSexta às 13h no sítio do costume?\n\nAna"_s);
    }
    waitUntil([this] { return m_window.composerWindows().size() == 2; },
              "a second composer did not open beside the first", s_attempts,
              [this] {
                  // Side by side, as a person would arrange them on a wide screen.
                  const QRect frame = m_window.geometry();
                  const QList<ComposerWindow*> windows = m_window.composerWindows();
                  windows.first()->move(frame.left() + 90, frame.top() + 110);
                  windows.last()->move(frame.right() - windows.last()->width() - 90,
                                       frame.top() + 170);
                  after(s_settle, [this] {
                      m_shoot(u"composers"_s);
                      closeComposer();
                  });
              });
}

QTextCursor MailScenes::misspeltWord() const
{
    ComposerWindow* sheet = m_window.composerWindow();
    if (!sheet)
        return {};
    const QTextCursor found = sheet->view()->bodyEditor()->document()->find(s_misspelt);
    if (found.isNull())
        return {};
    const QTextBlock block = found.block();
    const QList<QTextLayout::FormatRange> formats = block.layout()->formats();
    const bool marked = std::any_of(formats.begin(), formats.end(), [&](const auto& range) {
        return range.start == found.selectionStart() - block.position() &&
               range.format.underlineStyle() == QTextCharFormat::SpellCheckUnderline;
    });
    return marked ? found : QTextCursor();
}

void MailScenes::misspell()
{
    ComposerSession* composer = m_state.composer();
    if (!composer || !m_window.composerWindow() || !m_window.composerWindow()->view()->spelling()) {
        fail("the composer checks no spelling");
        closeComposer();
        return;
    }
    QString body = composer->body();
    composer->setBody(body.replace(s_recording, s_misspelt));
    waitUntil([this] { return !misspeltWord().isNull(); }, "the misspelt word is not underlined",
              s_attempts, [this] { openSpellingMenu(); });
}

void MailScenes::openSpellingMenu()
{
    const QTextCursor word = misspeltWord();
    ComposerWindow* sheet = m_window.composerWindow();
    if (word.isNull() || !sheet) {
        closeComposer();
        return;
    }
    ComposerBodyEdit* body = sheet->view()->bodyEditor();
    QTextCursor start = word;
    start.setPosition(word.selectionStart());
    const QRect wordRect = body->cursorRect(start);
    m_spellingMenu = body->contextMenuAt(wordRect.center());
    // Below the word, so that the picture shows its underline too.
    m_spellingMenu->popup(body->viewport()->mapToGlobal(wordRect.bottomLeft() + QPoint(0, 6)));
    after(s_settle, [this] {
        m_shoot(u"spelling"_s);
        m_spellingMenu->close();
        m_spellingMenu.reset();
        writeAlongside();
    });
}

void MailScenes::closeComposer()
{
    for (ComposerWindow* window : m_window.composerWindows())
        window->view()->discardButton()->click();
    waitUntil([this] { return !m_window.composerWindow(); }, "the composer did not close",
              s_longAttempts, [this] { openCompletion(); });
}

AddressField* MailScenes::toField() const
{
    ComposerWindow* window = m_window.composerWindow();
    return window ? window->view()->toField() : nullptr;
}

void MailScenes::openCompletion()
{
    m_state.startNewMessage();
    // The address book is built on a worker once the composer opens; keys
    // typed before it is ready offer nobody, so they go once it is.
    const auto ready = [this] {
        return toField() && m_state.composer() && m_state.composer()->addressBook();
    };
    waitUntil(ready, "the new message's address book was not built", s_attempts, [this] {
        AddressField* field = toField();
        if (!field) {
            saveFinishedDownload();
            return;
        }
        field->setFocus();
        // Real keys, as a person types the start of a name.
        QKeyEvent press(QEvent::KeyPress, Qt::Key_T, Qt::NoModifier, u"t"_s);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_T, Qt::NoModifier, u"t"_s);
        QApplication::sendEvent(field->input(), &press);
        QApplication::sendEvent(field->input(), &release);
        const auto offering = [this] {
            AddressField* to = toField();
            return to && to->popup() && to->popup()->isVisible();
        };
        waitUntil(offering, "typing an address offered nobody", s_attempts, [this] {
            after(s_settle, [this] {
                m_shoot(u"completion"_s);
                closeCompletion();
            });
        });
    });
}

void MailScenes::closeCompletion()
{
    if (ComposerWindow* window = m_window.composerWindow())
        window->view()->discardButton()->click();
    waitUntil([this] { return !m_window.composerWindow(); }, "the new message did not close",
              s_longAttempts, [this] { saveFinishedDownload(); });
}

void MailScenes::saveFinishedDownload()
{
    saveAttachment(s_finishedFile, [this] {
        waitUntil([this] { return transferIs(s_finishedFile, false); },
                  "the first download did not finish", s_attempts,
                  [this] { saveRunningDownload(); });
    });
}

void MailScenes::saveRunningDownload()
{
    saveAttachment(s_runningFile, [this] {
        // Some progress on the bar, and still running.
        waitUntil([this] { return transferIs(s_runningFile, true); },
                  "the second download is not running", s_attempts,
                  [this] { after(s_settle, [this] { openTransfers(); }); });
    });
}

void MailScenes::openTransfers()
{
    MainToolbar* toolbar = m_window.toolbar();
    if (!toolbar) {
        fail("the window has no toolbar");
        end();
        return;
    }
    toolbar->toggleTransfers();
    waitUntil([toolbar] { return toolbar->transfersPanel() != nullptr; },
              "the transfers panel did not open", s_attempts,
              [this] {
                  after(s_settle, [this] {
                      m_shoot(u"transfers"_s);
                      goOffline();
                  });
              });
}

void MailScenes::saveAttachment(const QString& filename, Step next)
{
    for (const MessageCard* card : m_reader->cards()) {
        for (ReceivedAttachmentRow* row : card->attachmentRows()) {
            if (row->attachment().filename == filename && row->saveButton()->isEnabled()) {
                row->saveButton()->click();
                answerSaveDialog(filename, s_attempts, std::move(next));
                return;
            }
        }
    }
    report(u"no attachment \"%1\" to save"_s.arg(filename));
    ++m_failures;
    next();
}

void MailScenes::answerSaveDialog(const QString& filename, int attemptsLeft, Step next)
{
    QFileDialog* dialog = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* candidate = qobject_cast<QFileDialog*>(widget);
            candidate && candidate->isVisible())
            dialog = candidate;
    }
    if (!dialog && attemptsLeft > 0) {
        after(s_poll, [this, filename, attemptsLeft, next = std::move(next)] {
            answerSaveDialog(filename, attemptsLeft - 1, next);
        });
        return;
    }
    if (!dialog) {
        fail("no save dialog appeared");
        next();
        return;
    }
    const QDir folder(QDir(m_scratch).filePath(u"Transferências"_s));
    folder.mkpath(u"."_s);
    dialog->setDirectory(folder);
    dialog->selectFile(filename);
    // As the dialog's own button would: QFileDialog checks the name first.
    static_cast<QDialog*>(dialog)->accept();
    next();
}

bool MailScenes::transferIs(const QString& filename, bool running) const
{
    const std::shared_ptr<TransferManager>& transfers = m_state.transfers();
    if (!transfers)
        return false;
    for (const TransferItem& item : transfers->items()->all()) {
        if (item.filename != filename)
            continue;
        if (running)
            return item.state.isRunning() && item.received > 0;
        return item.state.kind == TransferItem::State::Case::Done;
    }
    return false;
}

void MailScenes::goOffline()
{
    if (MainToolbar* toolbar = m_window.toolbar(); toolbar && toolbar->transfersPanel())
        toolbar->transfersPanel()->close();
    m_state.selectLabel(SystemLabels::inbox());
    if (!m_reachGoogle || !m_reachGoogle(false)) {
        fail("the demo's Google could not be taken off the network");
        end();
        return;
    }
    // What a person does on a train: archive, change a read state, write.
    const QList<ThreadSummary> threads = m_state.visibleThreads();
    if (threads.size() >= 3) {
        fireAndForget(m_state.archive(QStringList(threads.at(1).threadId)));
        // Whichever way it stands: a change that changes nothing waits for nothing.
        fireAndForget(
            m_state.setRead(QStringList(threads.at(2).threadId), threads.at(2).isUnread()));
    }
    m_state.startNewMessage();
    if (ComposerSession* composer = m_state.composer()) {
        composer->setTo(u"rui.costa@exemplo.pt"_s);
        composer->setSubject(u"Notas da viagem a Braga"_s);
        composer->setBody(u"Olá Rui,\n\nSeguem as notas que tirei no comboio.\n\nAna"_s);
        [](QPointer<AppState> state, QPointer<ComposerSession> writing) -> QCoro::Task<> {
            if (writing && co_await writing->send() && state)
                state->closeComposer(writing);
        }(&m_state, composer);
    }
    waitUntil([this] { return m_state.isOffline() && m_state.waitingChanges() >= 3; },
              "the window did not go offline with three waiting changes", s_attempts,
              [this] {
                  after(s_settle, [this] {
                      m_shoot(u"offline"_s);
                      showOutbox();
                  });
              });
}

void MailScenes::showOutbox()
{
    m_state.selectLabel(AppState::outboxId());
    after(s_settle, [this] {
        m_shoot(u"outbox"_s);
        comeBack();
    });
}

void MailScenes::comeBack()
{
    if (!m_reachGoogle(true))
        fail("the demo's Google could not listen again");
    m_state.selectLabel(SystemLabels::inbox());
    fireAndForget(m_state.refresh());
    waitUntil([this] { return m_state.waitingChanges() == 0; },
              "the waiting changes did not reach Google", s_longAttempts,
              [this] { after(s_settle, [this] { selectSeveral(); }); });
}

void MailScenes::selectSeveral()
{
    // Through the list, as Shift-clicks would: the rows show the selection.
    QWidget* column = m_window.columns()->widget(1);
    auto* list = column ? column->findChild<QAbstractItemView*>() : nullptr;
    if (!list || !list->model() || list->model()->rowCount() < 4) {
        fail("no conversations to select several of");
        end();
        return;
    }
    const QAbstractItemModel& rows = *list->model();
    list->selectionModel()->select(QItemSelection(rows.index(1, 0), rows.index(3, 0)),
                                   QItemSelectionModel::ClearAndSelect);
    waitUntil([this] { return m_reader->showsSelection(); },
              "the reader did not offer the actions on several conversations", s_attempts,
              [this] {
                  after(s_settle, [this] {
                      m_shoot(u"selected"_s);
                      archiveSelected();
                  });
              });
}

void MailScenes::archiveSelected()
{
    for (PillButton* button : m_reader->selectionView()->shownButtons()) {
        if (button->text() == u"Arquivar"_s)
            button->click();
    }
    UndoBar* bar = m_window.undoBar();
    waitUntil([bar] { return bar && bar->isVisible(); }, "no undo bar after archiving", s_attempts,
              [this] {
                  after(s_settle, [this] {
                      m_shoot(u"undo"_s);
                      // The mailbox as it was, for whoever runs the demo next.
                      fireAndForget(m_state.undo());
                      openReceipts();
                  });
              });
}

void MailScenes::openReceipts()
{
    const AccountSession* session = m_state.selectedSession();
    const QList<LabelInfo> labels = session ? session->labels() : QList<LabelInfo>();
    QString receipts;
    for (const LabelInfo& label : labels) {
        if (label.name == u"Recibos"_s)
            receipts = label.id;
    }
    if (receipts.isEmpty()) {
        fail("the demo account has no label of receipts");
        end();
        return;
    }
    m_state.selectThread(std::nullopt);
    m_state.selectLabel(receipts);
    waitUntil([this] { return m_state.canLoadMore(); }, "the receipts' first page did not show",
              s_attempts, [this] { after(s_settle, [this] { loadOlderReceipts(); }); });
}

void MailScenes::loadOlderReceipts()
{
    if (!m_holdNextListing || !m_holdNextListing()) {
        fail("the demo's Google could not be slowed down");
        end();
        return;
    }
    // Scrolled to the end, as a person would: the list asks for more itself.
    if (const auto* pane = m_window.findChild<ThreadListPane*>()) {
        QScrollBar* bar = pane->listView()->verticalScrollBar();
        bar->setValue(bar->maximum());
    }
    waitUntil([this] { return m_state.isLoadingMore(); },
              "the list did not start loading older conversations", s_attempts,
              [this] {
                  after(s_settle, [this] {
                      m_shoot(u"loading-more"_s);
                      waitUntil([this] { return !m_state.isLoadingMore(); },
                                "the older conversations did not arrive", s_longAttempts,
                                [this] { showEveryAccount(); });
                  });
              });
}

void MailScenes::showEveryAccount()
{
    m_state.selectThread(std::nullopt);
    m_state.selectAccount(AppState::allAccountsId());
    m_state.selectLabel(SystemLabels::inbox());
    waitUntil(
        [this] {
            const QList<ThreadSummary>& threads = m_state.visibleThreads();
            return m_state.isAllAccounts() && !threads.isEmpty() &&
                   !threads.constFirst().accountId.isEmpty();
        },
        "every account's inbox did not show as one list", s_attempts,
        [this] {
            // One of another account's conversations, opened, shows the
            // marks against the reader.
            const QList<ThreadSummary>& threads = m_state.visibleThreads();
            const auto other = std::find_if(threads.cbegin(), threads.cend(), [&](const auto& t) {
                return t.accountId != threads.constFirst().accountId;
            });
            m_state.selectThread(other == threads.cend() ? threads.constFirst() : *other);
            after(s_settle * 3, [this] {
                m_shoot(u"all-accounts"_s);
                end();
            });
        });
}

void MailScenes::end()
{
    if (MainToolbar* toolbar = m_window.toolbar(); toolbar && toolbar->transfersPanel())
        toolbar->transfersPanel()->close();
    Q_EMIT finished(m_failures);
}

} // namespace vesk
