#include "UndoOffer.h"

#include "model/SystemLabels.h"

#include <QCoreApplication>

namespace vesk {

namespace {

QString translated(const char* text)
{
    return QCoreApplication::translate("vesk::UndoOffer", text);
}

/// One sentence for a single conversation, another for several.
struct Sentence
{
    const char* one;
    const char* several;
};

std::optional<Sentence> systemSentence(const PendingChange& change)
{
    const auto adds = [&change](const QString& label) { return change.add.contains(label); };
    const auto removes = [&change](const QString& label) { return change.remove.contains(label); };
    if (change.kind == PendingChange::Kind::Trash)
        return Sentence{
            QT_TRANSLATE_NOOP("vesk::UndoOffer", "Movida para a lixeira."),
            QT_TRANSLATE_NOOP("vesk::UndoOffer", "%1 conversas movidas para a lixeira.")};
    if (adds(SystemLabels::spam()))
        return Sentence{QT_TRANSLATE_NOOP("vesk::UndoOffer", "Marcada como spam."),
                        QT_TRANSLATE_NOOP("vesk::UndoOffer", "%1 conversas marcadas como spam.")};
    if (adds(SystemLabels::inbox()))
        return Sentence{
            QT_TRANSLATE_NOOP("vesk::UndoOffer", "Movida para a caixa de entrada."),
            QT_TRANSLATE_NOOP("vesk::UndoOffer", "%1 conversas movidas para a caixa de entrada.")};
    if (removes(SystemLabels::inbox()))
        return Sentence{QT_TRANSLATE_NOOP("vesk::UndoOffer", "Arquivada."),
                        QT_TRANSLATE_NOOP("vesk::UndoOffer", "%1 conversas arquivadas.")};
    if (removes(SystemLabels::unread()))
        return Sentence{QT_TRANSLATE_NOOP("vesk::UndoOffer", "Marcada como lida."),
                        QT_TRANSLATE_NOOP("vesk::UndoOffer", "%1 conversas marcadas como lidas.")};
    if (adds(SystemLabels::unread()))
        return Sentence{
            QT_TRANSLATE_NOOP("vesk::UndoOffer", "Marcada como não lida."),
            QT_TRANSLATE_NOOP("vesk::UndoOffer", "%1 conversas marcadas como não lidas.")};
    if (adds(SystemLabels::starred()))
        return Sentence{QT_TRANSLATE_NOOP("vesk::UndoOffer", "Marcada com estrela."),
                        QT_TRANSLATE_NOOP("vesk::UndoOffer", "%1 conversas marcadas com estrela.")};
    if (removes(SystemLabels::starred()))
        return Sentence{QT_TRANSLATE_NOOP("vesk::UndoOffer", "Estrela removida."),
                        QT_TRANSLATE_NOOP("vesk::UndoOffer", "Estrela removida de %1 conversas.")};
    return std::nullopt;
}

} // namespace

UndoOffer::UndoOffer(QObject* parent)
    : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(defaultLasting);
    connect(&m_timer, &QTimer::timeout, this, &UndoOffer::withdraw);
}

void UndoOffer::offer(QList<Offered> changes, QString text)
{
    m_offered = std::move(changes);
    m_text = std::move(text);
    m_timer.start();
    Q_EMIT changed();
}

QList<UndoOffer::Offered> UndoOffer::take()
{
    QList<Offered> offered = std::exchange(m_offered, {});
    withdraw();
    return offered;
}

void UndoOffer::withdraw()
{
    m_timer.stop();
    m_offered.clear();
    if (!m_text.isEmpty()) {
        m_text.clear();
        Q_EMIT changed();
    }
}

QString UndoOffer::sentenceFor(const PendingChange& change, int count, const QString& labelTitle)
{
    if (const std::optional<Sentence> sentence = systemSentence(change)) {
        return count == 1 ? translated(sentence->one) : translated(sentence->several).arg(count);
    }
    const bool applied = !change.add.isEmpty();
    if (count == 1) {
        return (applied
                    ? translated(QT_TRANSLATE_NOOP("vesk::UndoOffer", "Etiqueta «%1» aplicada."))
                    : translated(QT_TRANSLATE_NOOP("vesk::UndoOffer", "Etiqueta «%1» removida.")))
            .arg(labelTitle);
    }
    return (applied ? translated(QT_TRANSLATE_NOOP("vesk::UndoOffer",
                                                   "Etiqueta «%1» aplicada a %2 conversas."))
                    : translated(QT_TRANSLATE_NOOP("vesk::UndoOffer",
                                                   "Etiqueta «%1» removida de %2 conversas.")))
        .arg(labelTitle, QString::number(count));
}

} // namespace vesk
