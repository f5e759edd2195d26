#pragma once

#include <QPointer>
#include <QWidget>

#include <memory>

namespace vesk {

class ComposerSession;
class ComposerView;
class SpellingService;

/// A window of its own in which one message is written: the ComposerView of
/// one composer, titled by the message's subject. It does not block the main
/// window, so the person can read and copy from other conversations while
/// writing, and several may be open at once. The user's ways out (Esc, the
/// window manager's close button) save the draft first, as "Fechar" does;
/// once the view is done the window emits `finished` and goes. Ctrl+Enter
/// sends and Ctrl+Shift+A attaches. GUI thread only.
class ComposerWindow final : public QWidget
{
    Q_OBJECT

public:
    /// `parent` only owns the window (and keeps it above itself); it is
    /// shown as a window, not inside the parent. With a spelling service
    /// the view checks spelling.
    ComposerWindow(ComposerSession& composer, QWidget* parent,
                   std::shared_ptr<SpellingService> spelling = nullptr);

    ComposerView* view() const { return m_view; }
    ComposerSession* composer() const { return m_composer; }

    /// The subject, or what is being written when it has none.
    static QString titleFor(const ComposerSession& composer);

Q_SIGNALS:
    /// The view is done (sent, discarded or closed after saving).
    void finished();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void addShortcuts();
    void updateTitle();

    QPointer<ComposerSession> m_composer;
    ComposerView* m_view;
    bool m_finished = false;
};

} // namespace vesk
