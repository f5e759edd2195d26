#include "ui/dialogs/PackageManagerUpdater.h"

#include <QMessageBox>

namespace vesk {

PackageManagerUpdater::PackageManagerUpdater(QWidget* window)
    : m_window(window)
{}

QString PackageManagerUpdater::title()
{
    return QStringLiteral("O VESK é atualizado pelo sistema");
}

QString PackageManagerUpdater::explanation()
{
    return QStringLiteral("As novas versões do VESK chegam pelo gestor de pacotes do sistema, "
                          "com as outras atualizações. Procura-as na ferramenta de atualizações "
                          "da tua distribuição.");
}

void PackageManagerUpdater::checkForUpdates()
{
    // Opened, not executed: the window keeps its event loop and its timers.
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Buscar atualizações"),
                                title(), QMessageBox::Ok, m_window);
    box->setInformativeText(explanation());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(m_window ? Qt::WindowModal : Qt::ApplicationModal);
    box->open();
}

} // namespace vesk
