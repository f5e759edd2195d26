#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTextCursor>

#include <functional>
#include <memory>

class QAbstractButton;
class QMenu;

namespace vesk {

class AddressField;
class AppState;
class MainWindow;
class ReaderPane;

/// The screenshot script's pictures of reading and writing mail, taken one
/// after the other in the demo's own window: the HTML newsletter with its
/// pictures blocked and then shown, the plain-text conversation with
/// attachments, the composer answering it with a file over Gmail's size
/// limit, then with a misspelt word underlined and its context menu open,
/// a second message written beside it, a new message offering
/// people as their name is typed, the transfers panel with one download
/// running and one done, the window without a connection: changes and a
/// message waiting, then the outbox; three conversations selected at once,
/// archived together with the bar that offers to undo it; and a long
/// label's list while its older conversations load.
/// Every wait polls for the state it needs a bounded number of times; a
/// scene that cannot be reached is reported on stderr and the next one
/// follows. Files it makes go into `scratchFolder`, never into the user's
/// folders. GUI thread only.
class MailScenes final : public QObject
{
    Q_OBJECT

public:
    /// `shoot` saves the screen under a name and says whether it could.
    /// `reachGoogle` takes Google off the network and back (see DemoWorld).
    /// `holdNextListing` makes Google's next list of messages slow (see
    /// DemoWorld).
    MailScenes(MainWindow& window, AppState& state, QString scratchFolder,
               std::function<bool(const QString&)> shoot, std::function<bool(bool)> reachGoogle,
               std::function<bool()> holdNextListing);
    ~MailScenes() override;

    void start();

Q_SIGNALS:
    /// All scenes were tried; `failures` counts those that went wrong.
    void finished(int failures);

private:
    using Step = std::function<void()>;
    void after(int ms, Step step);
    /// Calls `next` once `ready` holds, or after `attempts` checks with a
    /// report of `what` was not reached.
    void waitUntil(std::function<bool()> ready, const char* what, int attempts, Step next);
    void fail(const char* what);
    bool openThread(const QString& subject);
    QAbstractButton* showImagesButton() const;

    void openNewsletter();
    void showImages();
    void openAttachments();
    void openComposer();
    void fillComposer();
    void writeAlongside();
    void misspell();
    /// The misspelt word once the body underlines it; a null cursor before.
    QTextCursor misspeltWord() const;
    void openSpellingMenu();
    void closeComposer();
    void openCompletion();
    void closeCompletion();
    AddressField* toField() const;
    void saveFinishedDownload();
    void saveRunningDownload();
    void openTransfers();
    void goOffline();
    void showOutbox();
    void comeBack();
    void selectSeveral();
    void archiveSelected();
    void openReceipts();
    void loadOlderReceipts();
    void showEveryAccount();
    /// Starts saving the reader's attachment called `filename`, answering
    /// the save dialog with a file in the scratch folder; `next` follows
    /// once the dialog is answered.
    void saveAttachment(const QString& filename, Step next);
    void answerSaveDialog(const QString& filename, int attemptsLeft, Step next);
    bool transferIs(const QString& filename, bool running) const;
    void end();

    MainWindow& m_window;
    AppState& m_state;
    QPointer<ReaderPane> m_reader;
    const QString m_scratch;
    const std::function<bool(const QString&)> m_shoot;
    const std::function<bool(bool)> m_reachGoogle;
    const std::function<bool()> m_holdNextListing;
    int m_failures = 0;
    std::unique_ptr<QMenu> m_spellingMenu;
};

} // namespace vesk
