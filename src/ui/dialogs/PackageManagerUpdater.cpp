#include "ui/dialogs/PackageManagerUpdater.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace vesk {

PackageManagerUpdater::PackageManagerUpdater(QWidget* window)
    : m_window(window)
{}

QString PackageManagerUpdater::title()
{
    return QCoreApplication::translate("vesk::PackageManagerUpdater",
                                       "O VESK é atualizado pelo sistema");
}

QString PackageManagerUpdater::explanation()
{
    return QCoreApplication::translate(
        "vesk::PackageManagerUpdater",
        "As novas versões do VESK chegam pelo gestor de pacotes do sistema, "
        "com as outras atualizações. Procura-as na ferramenta de atualizações "
        "da tua distribuição.");
}

void PackageManagerUpdater::checkForUpdates()
{
    // Opened, not executed: the window keeps its event loop and its timers.
    auto* box = new QMessageBox(
        QMessageBox::Information,
        QCoreApplication::translate("vesk::PackageManagerUpdater", "Buscar atualizações"), title(),
        QMessageBox::Ok, m_window);
    box->setInformativeText(explanation());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(m_window ? Qt::WindowModal : Qt::ApplicationModal);
    box->open();
}

} // namespace vesk
