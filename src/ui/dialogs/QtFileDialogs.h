#pragma once

#include "platform/FileDialogs.h"

#include <QPointer>
#include <QWidget>

#include <functional>

namespace vesk {

/// The production open and save dialogs: QFileDialog, window-modal over the
/// main window when there is one, awaited without a nested event loop.
/// GUI thread only.
class QtFileDialogs final : public FileDialogs
{
public:
    /// `window` names the window the dialogs belong to; it may answer null
    /// (the dialogs are then free-standing), and is asked at every question
    /// because the services exist before the window does.
    explicit QtFileDialogs(std::function<QWidget*()> window);

    QCoro::Task<std::optional<QString>> chooseSaveFile(QString proposedName, QString directory,
                                                       QString message) override;
    QCoro::Task<QStringList> chooseFilesToOpen(QString message) override;

private:
    std::function<QWidget*()> m_window;
};

} // namespace vesk
