#include "NoticeBoard.h"

namespace vesk {

quint64 NoticeBoard::post(const QString& text, const QString& details)
{
    m_notices.removeIf([&text](const Notice& notice) { return notice.text == text; });
    const Notice notice{m_nextId++, text, details};
    m_notices.append(notice);
    while (m_notices.size() > maxNotices)
        m_notices.removeFirst();
    Q_EMIT changed();
    return notice.id;
}

void NoticeBoard::dismiss(quint64 id)
{
    if (m_notices.removeIf([id](const Notice& notice) { return notice.id == id; }) > 0)
        Q_EMIT changed();
}

} // namespace vesk
