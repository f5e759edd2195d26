#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

namespace vesk {

/// Keeps the program to one running instance per desktop session: two would
/// sync the same accounts and write the same cache. The first start owns the
/// program's well-known name on the session bus and answers the freedesktop
/// application interface there (Activate, Open, ActivateAction); a later
/// start finds the name taken, asks its owner to activate (or to open the
/// addresses it was started with), and leaves.
///
/// Lives on the GUI thread of the program that builds it, from before the
/// main window until the end.
class SingleInstance final : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")

public:
    enum class Claim
    {
        /// This process owns the name and answers activations.
        Owner,
        /// Another process owns it and has been asked to raise its window
        /// (and to open the addresses given).
        ActivatedOther,
        /// The owner did not answer: starting anyway would run two.
        OtherUnresponsive,
        /// No session bus (or it refused the name for another reason): the
        /// program runs without the guard rather than not at all.
        Unguarded,
    };

    /// `serviceName` is the program's id; the object lives at `objectPath`.
    SingleInstance(QDBusConnection bus, QString serviceName, QString objectPath,
                   QObject* parent = nullptr);
    ~SingleInstance() override;

    /// Takes the name, or asks the process that has it to activate, or to
    /// open `uris` when there are any. Blocks for at most a few seconds while
    /// that process answers.
    Claim claim(const QStringList& uris = {});

Q_SIGNALS:
    /// Another start asked this instance to come to the front. The token,
    /// when the launcher handed one over, lets a Wayland compositor grant
    /// the focus; it may be empty.
    void activationRequested(const QString& activationToken);
    /// Another start was given these addresses (mailto: ones) to open; it
    /// asked for the window to come to the front as well.
    void openRequested(const QStringList& uris);

public Q_SLOTS:
    // The freedesktop application interface; slots because the bus calls
    // them by name. Open hands its addresses on; there are no actions.
    void Activate(const QVariantMap& platformData);
    void Open(const QStringList& uris, const QVariantMap& platformData);
    void ActivateAction(const QString& actionName, const QVariantList& parameter,
                        const QVariantMap& platformData);

private:
    bool activateOwner(const QStringList& uris);
    static QVariantMap ownPlatformData();

    QDBusConnection m_bus;
    QString m_serviceName;
    QString m_objectPath;
    bool m_exported = false;
};

} // namespace vesk
