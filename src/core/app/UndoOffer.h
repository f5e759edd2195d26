#pragma once

#include "model/PendingChange.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <optional>

namespace vesk {

/// The last change the person made to conversations, offered to be taken
/// back for a few seconds: the sentence the window shows ("Arquivada."),
/// and the change with its account for the undoing. A newer change replaces
/// the offer; so does nothing, once the time is up.
class UndoOffer final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text NOTIFY changed)

public:
    struct Offered
    {
        QString accountId;
        PendingChange change;
    };

    static constexpr std::chrono::milliseconds defaultLasting{8000};

    explicit UndoOffer(QObject* parent = nullptr);

    /// Empty when nothing is on offer.
    const QString& text() const { return m_text; }
    bool isOffered() const { return !m_offered.isEmpty(); }
    /// One change per account it touched.
    void offer(QList<Offered> changes, QString text);
    /// The changes on offer, no longer offered; empty when none was.
    QList<Offered> take();
    void withdraw();
    void setLasting(std::chrono::milliseconds lasting) { m_timer.setInterval(lasting); }

    /// What the bar says after `change` to `count` conversations, with
    /// `labelTitle` naming a label it puts on or takes off.
    static QString sentenceFor(const PendingChange& change, int count, const QString& labelTitle);

Q_SIGNALS:
    void changed();

private:
    QTimer m_timer;
    QList<Offered> m_offered;
    QString m_text;
};

} // namespace vesk
