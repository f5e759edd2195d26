#pragma once

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <exception>
#include <memory>
#include <optional>

namespace vesk {

/// A one-shot outcome — a text or an error — that any number of coroutines
/// can wait for: the authorisation code of a loopback receiver, the access
/// token of a refresh that several Gmail requests share.
///
/// The first settlement wins; later ones are ignored. Lives on, and is settled
/// and awaited from, one thread. Waiters hold it by shared_ptr, so it outlives
/// whoever settles it.
class PendingText final : public QObject
{
    Q_OBJECT

public:
    bool isSettled() const { return m_settled; }
    void resolve(QString text);
    void reject(std::exception_ptr error);

    /// The text once settled, or the settling error rethrown.
    static QCoro::Task<QString> result(std::shared_ptr<PendingText> pending);

Q_SIGNALS:
    void settled();

private:
    bool m_settled = false;
    QString m_text;
    std::exception_ptr m_error;
};

} // namespace vesk
