#include "QtFileDialogs.h"

#include <QCoroSignal>
#include <QDir>
#include <QFileDialog>

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

QPointer<QFileDialog> newDialog(QWidget* window, const QString& title)
{
    QPointer<QFileDialog> dialog = new QFileDialog(window, title);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    return dialog;
}

} // namespace

QtFileDialogs::QtFileDialogs(std::function<QWidget*()> window)
    : m_window(std::move(window))
{}

QCoro::Task<std::optional<QString>>
QtFileDialogs::chooseSaveFile(QString proposedName, QString directory, QString message)
{
    QPointer<QFileDialog> dialog = newDialog(m_window ? m_window() : nullptr, message);
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
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setDirectory(QDir::homePath());
    if (!co_await accepted(dialog))
        co_return QStringList();
    co_return dialog->selectedFiles();
}

} // namespace vesk
