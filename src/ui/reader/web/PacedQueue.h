#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

namespace vesk {

/// Runs queued work one item per turn of the event loop, in the order it
/// was posted, so that many steps of a few milliseconds each never add up to
/// one long stall of the window. GUI thread only.
class PacedQueue final : public QObject
{
    Q_OBJECT

public:
    explicit PacedQueue(QObject* parent = nullptr);

    /// Runs `work` on a later turn, unless `context` is gone by then.
    void post(QObject* context, std::function<void()> work);
    qsizetype pending() const { return m_items.size(); }

private:
    void runOne();

    struct Item
    {
        QPointer<QObject> context;
        std::function<void()> work;
    };
    QList<Item> m_items;
    QTimer m_timer;
};

} // namespace vesk
