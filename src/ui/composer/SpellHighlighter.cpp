#include "ui/composer/SpellHighlighter.h"

#include "spelling/ComposerSpelling.h"
#include "spelling/SpellWords.h"
#include "ui/style/Brand.h"

#include <QPlainTextEdit>
#include <QScrollBar>

#include <algorithm>

namespace vesk {

namespace {

/// Half a frame: what checking may take between two keystrokes' events.
constexpr qint64 s_budgetMs = 8;

/// Which verdicts a block was last checked against; 0 for none.
struct CheckedBlock final : QTextBlockUserData
{
    quint64 generation = 0;
};

} // namespace

SpellHighlighter::SpellHighlighter(ComposerSpelling& spelling, QPlainTextEdit& editor)
    : QSyntaxHighlighter(&editor)
    , m_spelling(&spelling)
    , m_editor(editor)
{
    m_slices.setSingleShot(true);
    m_slices.setInterval(0);
    connect(&m_slices, &QTimer::timeout, this, &SpellHighlighter::checkSlice);
    connect(&spelling, &ComposerSpelling::verdictsChanged, this, &SpellHighlighter::recheck);
    connect(m_editor.verticalScrollBar(), &QScrollBar::valueChanged, this,
            &SpellHighlighter::checkVisible);
    setDocument(editor.document());
}

QTextCharFormat SpellHighlighter::misspeltFormat()
{
    QTextCharFormat format;
    format.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
    format.setUnderlineColor(Brand::error);
    return format;
}

void SpellHighlighter::highlightBlock(const QString& text)
{
    auto* checked = static_cast<CheckedBlock*>(currentBlockUserData());
    if (!checked) {
        checked = new CheckedBlock; // the document owns it
        setCurrentBlockUserData(checked);
    }
    // A paste of many paragraphs lands here for each: past the budget the
    // rest wait for the slices.
    if (!m_forced && !withinBudget()) {
        checked->generation = 0;
        deferFrom(currentBlock().blockNumber());
        return;
    }
    checked->generation = m_generation;
    if (!m_spelling || !m_spelling->isReady())
        return;
    const QTextCharFormat misspelt = misspeltFormat();
    for (const WordSpan& word : checkableWords(text)) {
        if (!m_spelling->isCorrect(QStringView(text).mid(word.start, word.length)))
            setFormat(int(word.start), int(word.length), misspelt);
    }
}

void SpellHighlighter::recheck()
{
    ++m_generation;
    checkVisible();
    deferFrom(0);
}

void SpellHighlighter::checkVisible()
{
    const QRect area = m_editor.viewport()->rect();
    QTextBlock block = m_editor.cursorForPosition(area.topLeft()).block();
    const QTextBlock last = m_editor.cursorForPosition(area.bottomRight()).block();
    m_forced = true;
    for (; block.isValid(); block = block.next()) {
        if (isStale(block))
            rehighlightBlock(block);
        if (block == last)
            break;
    }
    m_forced = false;
}

void SpellHighlighter::checkSlice()
{
    QTextBlock block = document()->findBlockByNumber(m_nextBlock);
    m_forced = true;
    for (; block.isValid() && withinBudget(); block = block.next()) {
        if (isStale(block))
            rehighlightBlock(block);
    }
    m_forced = false;
    m_nextBlock = block.isValid() ? block.blockNumber() : document()->blockCount();
    if (block.isValid())
        m_slices.start();
}

bool SpellHighlighter::isStale(const QTextBlock& block) const
{
    const auto* checked = static_cast<const CheckedBlock*>(block.userData());
    return !checked || checked->generation != m_generation;
}

bool SpellHighlighter::withinBudget()
{
    if (!m_bursting) {
        m_bursting = true;
        m_burst.start();
        QTimer::singleShot(0, this, [this] { m_bursting = false; });
    }
    return m_burst.elapsed() < s_budgetMs;
}

void SpellHighlighter::deferFrom(int blockNumber)
{
    m_nextBlock = std::min(m_nextBlock, blockNumber);
    if (!m_slices.isActive())
        m_slices.start();
}

} // namespace vesk
