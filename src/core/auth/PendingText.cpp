#include "PendingText.h"

#include <QCoroSignal>

namespace vesk {

void PendingText::resolve(QString text)
{
    if (m_settled)
        return;
    m_settled = true;
    m_text = std::move(text);
    Q_EMIT settled();
}

void PendingText::reject(std::exception_ptr error)
{
    if (m_settled)
        return;
    m_settled = true;
    m_error = std::move(error);
    Q_EMIT settled();
}

QCoro::Task<QString> PendingText::result(std::shared_ptr<PendingText> pending)
{
    // Checked and awaited without a turn of the event loop in between, so a
    // settlement cannot slip past; QCoro resumes us from a queued call.
    if (!pending->isSettled())
        co_await qCoro(pending.get(), &PendingText::settled);
    if (pending->m_error)
        std::rethrow_exception(pending->m_error);
    // A copy, made explicitly: QCoro 0.8 moves out of a non-const lvalue given
    // to co_return, which would leave the next waiter an empty text.
    co_return QString(pending->m_text);
}

} // namespace vesk
