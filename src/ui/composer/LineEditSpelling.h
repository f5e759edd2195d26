#pragma once

#include "spelling/SpellWords.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <memory>

class QLineEdit;
class QMenu;

namespace vesk {

class ComposerSpelling;

/// Spelling for a one-line field (the subject): its misspelt words are
/// underlined as in the body, and its context menu offers the same
/// suggestions, "Adicionar ao dicionário" and language. A line edit takes no
/// character formats of its own; it does take them as an input method's
/// attributes, which is how they are handed to it. Lives as the field's child.
class LineEditSpelling final : public QObject
{
    Q_OBJECT

public:
    LineEditSpelling(ComposerSpelling& spelling, QLineEdit& field);

    /// What is underlined now.
    const QList<WordSpan>& misspelt() const { return m_misspelt; }
    /// The field's context menu for `position` (field coordinates), the
    /// caller's to show.
    std::unique_ptr<QMenu> contextMenuAt(const QPoint& position);

private:
    void underline();
    void replace(const WordSpan& word, const QString& replacement);

    QPointer<ComposerSpelling> m_spelling;
    QLineEdit& m_field;
    QList<WordSpan> m_misspelt;
};

} // namespace vesk
