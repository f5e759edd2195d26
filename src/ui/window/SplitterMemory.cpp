#include "ui/window/SplitterMemory.h"

#include "platform/SettingsStore.h"

#include <QSplitter>

namespace vesk {

SplitterMemory::SplitterMemory(QSplitter* splitter, std::shared_ptr<SettingsStore> settings,
                               QString key)
    : QObject(splitter)
    , m_splitter(splitter)
    , m_settings(std::move(settings))
    , m_key(std::move(key))
{
    if (!m_settings)
        return;
    // A state from another layout or a damaged file is refused by the
    // splitter, which then keeps the sizes it was given.
    if (const auto state = m_settings->data(m_key))
        m_restored = m_splitter->restoreState(*state);
    m_pending.setSingleShot(true);
    m_pending.setInterval(400);
    connect(&m_pending, &QTimer::timeout, this, &SplitterMemory::save);
    connect(m_splitter, &QSplitter::splitterMoved, &m_pending, qOverload<>(&QTimer::start));
}

void SplitterMemory::save()
{
    m_pending.stop();
    if (m_settings)
        m_settings->setData(m_key, m_splitter->saveState());
}

} // namespace vesk
