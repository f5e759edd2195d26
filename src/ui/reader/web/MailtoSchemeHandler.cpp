#include "ui/reader/web/MailtoSchemeHandler.h"

#include <QWebEngineUrlRequestJob>

namespace vesk {

void MailtoSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job)
{
    job->fail(QWebEngineUrlRequestJob::RequestDenied);
}

} // namespace vesk
