#pragma once

#include <QDialog>

namespace vesk {

class ComposerSession;

/// The sheet shown over the main window while a message is being written.
/// For now it names what is being written and from which account, and closes;
/// the editor itself takes its place. Closing it in any way (its button, Esc)
/// rejects the dialog, and the window then lets the composer go.
/// GUI thread only.
class ComposerSheet final : public QDialog
{
    Q_OBJECT

public:
    ComposerSheet(const ComposerSession& composer, QWidget* parent);
};

} // namespace vesk
