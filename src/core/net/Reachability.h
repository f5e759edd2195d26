#pragma once

#include <QObject>

namespace vesk {

/// Whether Google can be reached, as the program learns it: from the answers
/// its requests get (any answer means yes, a failure of the network itself
/// means no), and from the system's own word where it offers one (through
/// QNetworkInformation: a system that says it has no network is believed at
/// once, and its saying that the network is back makes everything try again).
///
/// One for the whole program, on the GUI thread. Online until told otherwise.
class Reachability final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isOnline READ isOnline NOTIFY onlineChanged)

public:
    /// `followSystem` listens to the system's network state too; tests and
    /// the demo go by their requests alone, whatever the machine's network.
    explicit Reachability(bool followSystem, QObject* parent = nullptr);

    bool isOnline() const { return m_requestsReach && m_systemReaches; }

    /// A request got an answer, whatever its status.
    void noteAnswer();
    /// A request failed for the network itself.
    void noteNetworkFailure();

Q_SIGNALS:
    void onlineChanged(bool online);
    /// The way to Google is open again (after it was not, or the system says
    /// its network came back): waiting work should go now.
    void cameBack();

private:
    void followSystemState();
    void update(bool requestsReach, bool systemReaches);

    bool m_requestsReach = true;
    bool m_systemReaches = true;
};

} // namespace vesk
