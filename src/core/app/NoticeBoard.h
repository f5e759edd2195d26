#pragma once

#include "Notice.h"

#include <QList>
#include <QObject>

namespace vesk {

/// The notices the window shows at its foot, oldest first. Owned by the
/// application state, on the GUI thread.
class NoticeBoard final : public QObject
{
    Q_OBJECT

public:
    /// Older notices go beyond this many: a long outage of one kind must not
    /// fill the window.
    static constexpr int maxNotices = 5;

    using QObject::QObject;

    const QList<Notice>& notices() const { return m_notices; }
    /// The same text twice stays one notice, refreshed.
    quint64 post(const QString& text, const QString& details = QString());
    void dismiss(quint64 id);

Q_SIGNALS:
    void changed();

private:
    QList<Notice> m_notices;
    quint64 m_nextId = 1;
};

} // namespace vesk
