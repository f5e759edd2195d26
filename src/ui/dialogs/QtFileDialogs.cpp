#include "ui/dialogs/QtFileDialogs.h"

#include <QCoroSignal>
#include <QDir>
#include <QFileDialog>
#include <QScopeGuard>

namespace vesk {

namespace {

/// Shows `dialog` and waits for its answer; false when it was rejected or
/// went away unanswered.
QCoro::Task<bool> accepted(QPointer<QFileDialog> dialog)
{
    dialog->open();
    const int result = co_await qCoro(dialog.data(), &QDialog::finished);
    co_return dialog&& result == QDialog::Accepted;
}

// Not deleted on close: the answer reaches the waiting task through the
// event loop, after a close's deferred delete would already have taken the
// dialog and the task's wake-up with it. Each caller deletes its dialog once
// the choice is read; the window deletes one it still has when it closes.
QPointer<QFileDialog> newDialog(QWidget* window, const QString& title)
{
    return new QFileDialog(window, title);
}

auto deletedAtTheEnd(QPointer<QFileDialog> dialog)
{
    return qScopeGuard([dialog] {
        if (dialog)
            dialog->deleteLater();
    });
}

} // namespace

QtFileDialogs::QtFileDialogs(std::function<QWidget*()> window)
    : m_window(std::move(window))
{}

QCoro::Task<std::optional<QString>>
QtFileDialogs::chooseSaveFile(QString proposedName, QString directory, QString message)
{
    QPointer<QFileDialog> dialog = newDialog(m_window ? m_window() : nullptr, message);
    const auto cleanup = deletedAtTheEnd(dialog);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setDirectory(directory.isEmpty() ? QDir::homePath() : directory);
    dialog->selectFile(proposedName);
    if (!co_await accepted(dialog))
        co_return std::nullopt;
    const QStringList chosen = dialog->selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        co_return std::nullopt;
    co_return chosen.first();
}

QCoro::Task<QStringList> QtFileDialogs::chooseFilesToOpen(QString message)
{
    QPointer<QFileDialog> dialog = newDialog(m_window ? m_window() : nullptr, message);
    const auto cleanup = deletedAtTheEnd(dialog);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setDirectory(QDir::homePath());
    if (!co_await accepted(dialog))
        co_return QStringList();
    co_return dialog->selectedFiles();
}

} // namespace vesk
