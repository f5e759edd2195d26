#include "ComposerDraft.h"

#include <QCoroSignal>

#include <utility>

namespace vesk {

bool ComposerDraft::beginSave()
{
    if (m_saving) {
        m_saveRequested = true;
        return false;
    }
    m_saving = true;
    m_saveRequested = false;
    return true;
}

bool ComposerDraft::takeSaveRequest()
{
    return std::exchange(m_saveRequested, false);
}

void ComposerDraft::endSave()
{
    m_saving = false;
    Q_EMIT saveEnded();
}

QCoro::Task<> ComposerDraft::settled()
{
    // The caller holds this object through its shared pointer while waiting.
    while (m_saving)
        co_await qCoro(this, &ComposerDraft::saveEnded);
}

} // namespace vesk
