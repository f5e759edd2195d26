#pragma once

#include "GmailAPIClient.h"

#include <QByteArray>
#include <QCoroTask>
#include <QString>
#include <QUrl>

namespace vesk {

/// Fetches one Gmail attachment answer over a connection of its own,
/// reporting every received piece: (bytes of the JSON answer so far, its
/// announced length or 0). An answer head outside 200–299 ends the download at
/// once with GmailError::http(status, "") without reading the body; network
/// failures and time-outs (60 s without progress) raise NetworkError.
class ProgressDownload final
{
public:
    static QCoro::Task<QByteArray> fetch(QUrl url, QString token,
                                         GmailAPIClient::ProgressCallback onBytes);
};

} // namespace vesk
