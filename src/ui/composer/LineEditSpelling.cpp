#include "ui/composer/LineEditSpelling.h"

#include "spelling/ComposerSpelling.h"
#include "ui/composer/SpellHighlighter.h"
#include "ui/composer/SpellingMenu.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>

namespace vesk {

LineEditSpelling::LineEditSpelling(ComposerSpelling& spelling, QLineEdit& field)
    : QObject(&field)
    , m_spelling(&spelling)
    , m_field(field)
{
    field.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&field, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        contextMenuAt(position)->exec(m_field.mapToGlobal(position));
    });
    connect(&field, &QLineEdit::textChanged, this, &LineEditSpelling::underline);
    connect(&spelling, &ComposerSpelling::verdictsChanged, this, &LineEditSpelling::underline);
    underline();
}

void LineEditSpelling::underline()
{
    const QString text = m_field.text();
    m_misspelt.clear();
    if (m_spelling && m_spelling->isReady()) {
        for (const WordSpan& word : checkableWords(text)) {
            if (!m_spelling->isCorrect(QStringView(text).mid(word.start, word.length)))
                m_misspelt.append(word);
        }
    }
    // The attributes' positions count from the cursor; an event with no
    // text to commit or compose changes nothing but the formats.
    QList<QInputMethodEvent::Attribute> formats;
    const QTextCharFormat misspelt = SpellHighlighter::misspeltFormat();
    const int cursor = m_field.cursorPosition();
    for (const WordSpan& word : std::as_const(m_misspelt))
        formats.append(
            {QInputMethodEvent::TextFormat, int(word.start) - cursor, int(word.length), misspelt});
    QInputMethodEvent event(QString(), formats);
    QCoreApplication::sendEvent(&m_field, &event);
}

std::unique_ptr<QMenu> LineEditSpelling::contextMenuAt(const QPoint& position)
{
    std::unique_ptr<QMenu> menu(m_field.createStandardContextMenu());
    if (!m_spelling)
        return menu;
    const QString text = m_field.text();
    const WordSpan word = checkableWordAt(text, m_field.cursorPositionAt(position));
    const QString misspelt =
        m_misspelt.contains(word) ? text.mid(word.start, word.length) : QString();
    addSpellingActions(*menu, *m_spelling, misspelt,
                       [this, word](const QString& replacement) { replace(word, replacement); });
    return menu;
}

void LineEditSpelling::replace(const WordSpan& word, const QString& replacement)
{
    // As typed: one step to undo, and the composer hears of it.
    m_field.setSelection(int(word.start), int(word.length));
    m_field.insert(replacement);
}

} // namespace vesk
