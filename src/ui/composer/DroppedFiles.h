#pragma once

#include "compose/OutgoingAttachment.h"

#include <QList>
#include <QUrl>

namespace vesk {

/// The attachments for files dropped on the composer, in the order given.
/// Only local regular files that can be read whole become attachments:
/// folders, remote URLs and unreadable files are left out without a word.
QList<OutgoingAttachment> attachmentsFromUrls(const QList<QUrl>& urls);

} // namespace vesk
