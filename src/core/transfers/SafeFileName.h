#pragma once

#include <QString>

namespace vesk {

/// The name offered in the save dialog for an attachment. The attachment's
/// name comes from whoever sent the mail, so it is reduced to one plain file
/// name: no folders ("../../.bashrc" offers ".bashrc" in the chosen folder,
/// never a path elsewhere), no control characters, no more than a file system
/// allows in one name (255 bytes of UTF-8), and "anexo" when nothing usable
/// is left.
QString safeFileName(const QString& attachmentName);

} // namespace vesk
