#include "Reachability.h"

#include <QNetworkInformation>

namespace vesk {

Reachability::Reachability(bool followSystem, QObject* parent)
    : QObject(parent)
{
    if (followSystem)
        followSystemState();
}

void Reachability::followSystemState()
{
    if (!QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        return;
    QNetworkInformation* information = QNetworkInformation::instance();
    const auto reaches = [](QNetworkInformation::Reachability state) {
        // Unknown and the partial states are left to the requests to judge:
        // a network with a captive portal or a local proxy may still reach.
        return state != QNetworkInformation::Reachability::Disconnected;
    };
    m_systemReaches = reaches(information->reachability());
    connect(information, &QNetworkInformation::reachabilityChanged, this,
            [this, reaches](QNetworkInformation::Reachability state) {
                const bool systemReaches = reaches(state);
                // The system's word that the network is back is worth a
                // try even if the last request failed.
                const bool wasOnline = isOnline();
                update(systemReaches || m_requestsReach, systemReaches);
                if (wasOnline && state == QNetworkInformation::Reachability::Online)
                    Q_EMIT cameBack();
            });
}

void Reachability::noteAnswer()
{
    // An answer came, so the system reaches whatever it last said.
    update(true, true);
}

void Reachability::noteNetworkFailure()
{
    update(false, m_systemReaches);
}

void Reachability::update(bool requestsReach, bool systemReaches)
{
    const bool wasOnline = isOnline();
    m_requestsReach = requestsReach;
    m_systemReaches = systemReaches;
    if (isOnline() == wasOnline)
        return;
    Q_EMIT onlineChanged(isOnline());
    if (isOnline())
        Q_EMIT cameBack();
}

} // namespace vesk
