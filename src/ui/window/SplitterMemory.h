#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class QSplitter;

namespace vesk {

class SettingsStore;

/// Keeps a splitter's column sizes in the settings under one key: restores
/// them when built and saves them shortly after the user stops dragging, so
/// that a drag does not write the settings file at every step.
/// Owned by the splitter; GUI thread only.
class SplitterMemory final : public QObject
{
    Q_OBJECT

public:
    /// Without settings nothing is kept: the splitter keeps its own sizes.
    SplitterMemory(QSplitter* splitter, std::shared_ptr<SettingsStore> settings, QString key);

    /// Whether stored sizes were applied when built.
    bool restored() const { return m_restored; }
    /// Writes the present sizes now.
    void save();

private:
    QSplitter* m_splitter;
    std::shared_ptr<SettingsStore> m_settings;
    QString m_key;
    QTimer m_pending;
    bool m_restored = false;
};

} // namespace vesk
