#pragma once

#include <QCoroTask>
#include <QString>
#include <QStringList>

#include <optional>

namespace vesk {

/// The open and save dialogs, behind an interface so that the core stays
/// headless and tests can answer them. The production implementation lives
/// in the interface library (QFileDialog).
class FileDialogs
{
public:
    virtual ~FileDialogs() = default;

    /// Asks where to save a file. `proposedName` is offered in `directory`;
    /// `message` says what is being saved. Nothing when the user cancels.
    virtual QCoro::Task<std::optional<QString>>
    chooseSaveFile(QString proposedName, QString directory, QString message) = 0;

    /// Asks for files to open (attach); empty when the user cancels.
    virtual QCoro::Task<QStringList> chooseFilesToOpen(QString message) = 0;
};

} // namespace vesk
