#pragma once

#include "auth/OAuthService.h"
#include "sync/SessionServices.h"

#include <QCoroTask>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace vesk {

class BrowserOpening;

/// Linking an account through the system browser, one attempt at a time:
/// whether one runs, why the last one failed, and cancelling it. What a
/// link yields (tokens and identity) is the caller's to keep; the attempt
/// counts as running until the caller calls finish(), so that the account's
/// first sync belongs to it. Lives on the GUI thread.
class AccountLinker final : public QObject
{
    Q_OBJECT

public:
    AccountLinker(SessionServices services, std::shared_ptr<BrowserOpening> browser,
                  QObject* parent = nullptr);
    ~AccountLinker() override;

    bool isLinking() const { return m_isLinking; }
    /// Why the last link failed; empty when it did not.
    const QString& error() const { return m_error; }

    /// Runs the browser flow. None when another attempt runs (it is left
    /// alone) or when this one failed; error() then says why.
    QCoro::Task<std::optional<OAuthService::Authorization>> authorize();
    /// Ends the attempt in progress: the browser's answer is no longer waited for.
    void cancel();
    /// Ends the attempt that authorize() let through.
    void finish();

Q_SIGNALS:
    /// isLinking() or error() changed.
    void changed();

private:
    void setState(bool linking, const QString& error);

    const SessionServices m_services;
    const std::shared_ptr<BrowserOpening> m_browser;
    std::unique_ptr<OAuthService> m_service;
    bool m_isLinking = false;
    QString m_error;
};

} // namespace vesk
