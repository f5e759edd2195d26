#pragma once

#include <QWidget>

class QLabel;

namespace vesk {

class PillButton;

/// The composer's top row: what is being written, the note that a draft has
/// been saved, and "Fechar". GUI thread only.
class ComposerHeader final : public QWidget
{
    Q_OBJECT

public:
    ComposerHeader(const QString& title, QWidget* parent = nullptr);

    /// Shows `note` at the right of the title; hidden while empty.
    void setDraftNote(const QString& note);

    QLabel* titleLabel() const { return m_title; }
    QLabel* draftNoteLabel() const { return m_note; }
    PillButton* closeButton() const { return m_close; }

private:
    QLabel* m_title;
    QLabel* m_note;
    PillButton* m_close;
};

} // namespace vesk
