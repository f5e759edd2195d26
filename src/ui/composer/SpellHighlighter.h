#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QTimer>

class QPlainTextEdit;

namespace vesk {

class ComposerSpelling;

/// Underlines the body's misspelt words with a red wavy line. Typing never
/// waits for a long body: the block being edited and those on screen are
/// checked at once, the rest in slices of a few milliseconds between events.
/// Each block remembers which verdicts it was checked against, so that a new
/// dictionary, language or added word rechecks only what is stale.
class SpellHighlighter final : public QSyntaxHighlighter
{
    Q_OBJECT

public:
    SpellHighlighter(ComposerSpelling& spelling, QPlainTextEdit& editor);

    static QTextCharFormat misspeltFormat();

protected:
    void highlightBlock(const QString& text) override;

private:
    void recheck();
    void checkVisible();
    void checkSlice();
    bool isStale(const QTextBlock& block) const;
    bool withinBudget();
    void deferFrom(int blockNumber);

    QPointer<ComposerSpelling> m_spelling;
    QPlainTextEdit& m_editor;
    quint64 m_generation = 1;
    QTimer m_slices;
    int m_nextBlock = 0;
    QElapsedTimer m_burst;
    bool m_bursting = false;
    bool m_forced = false;
};

} // namespace vesk
