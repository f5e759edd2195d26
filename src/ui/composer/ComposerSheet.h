#pragma once

#include <QDialog>

#include <memory>

namespace vesk {

class ComposerSession;
class ComposerView;
class SpellingService;

/// The window-modal sheet in which a message is written: the ComposerView of
/// the application's composer. The user's ways out (Esc, the window's close
/// button) save the draft first, as "Fechar" does; once the view is done the
/// sheet rejects, and the window then lets the composer go. Ctrl+Enter
/// sends. With a spelling service the view checks spelling. GUI thread only.
class ComposerSheet final : public QDialog
{
    Q_OBJECT

public:
    ComposerSheet(ComposerSession& composer, QWidget* parent,
                  std::shared_ptr<SpellingService> spelling = nullptr);

    ComposerView* view() const { return m_view; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    ComposerView* m_view;
};

} // namespace vesk
