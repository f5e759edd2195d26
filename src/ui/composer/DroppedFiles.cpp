#include "ui/composer/DroppedFiles.h"

#include "compose/MIMEBuilder.h"

#include <QFile>
#include <QFileInfo>

namespace vesk {

QList<OutgoingAttachment> attachmentsFromUrls(const QList<QUrl>& urls)
{
    QList<OutgoingAttachment> result;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile())
            continue;
        const QFileInfo info(url.toLocalFile());
        // A directory opens for reading on Linux and reads as nothing.
        if (!info.isFile())
            continue;
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray data = file.readAll();
        if (file.error() != QFileDevice::NoError)
            continue;
        const QString name = info.fileName();
        result.append(OutgoingAttachment{name, MIMEBuilder::mimeType(name), data});
    }
    return result;
}

} // namespace vesk
