#pragma once

#include "platform/FileDialogs.h"

#include <QList>

/// Answers save dialogs from a script, in order (nothing = the user cancels,
/// also once the script has run out), open dialogs with `files`, and
/// remembers what it was asked.
class AnsweringDialogs final : public vesk::FileDialogs
{
public:
    struct Question
    {
        QString proposedName;
        QString directory;
        QString message;
    };

    QList<std::optional<QString>> answers;
    QList<Question> asked;

    QCoro::Task<std::optional<QString>> chooseSaveFile(QString proposedName, QString directory,
                                                       QString message) override
    {
        asked.append({proposedName, directory, message});
        co_return answers.isEmpty() ? std::nullopt : answers.takeFirst();
    }

    /// Chosen in every open dialog.
    QStringList files;

    QCoro::Task<QStringList> chooseFilesToOpen(QString message) override
    {
        asked.append({{}, {}, message});
        co_return files;
    }
};
