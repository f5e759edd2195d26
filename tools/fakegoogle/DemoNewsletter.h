#pragma once

#include <QString>
#include <QUrl>

namespace vesk::fakegoogle::demonewsletter {

// The weekly newsletter of the demo mailboxes, as such mail is written: a
// fixed-width table layout with inline styles, a banner, two article blocks
// with pictures, a footer with the unsubscribe link and a tracking pixel.
// Its pictures are remote images on the stand-in listening at `base`
// (DemoImages), so the reader blocks them until asked.
QString html(const QUrl& base);
// The plain-text alternative of the same newsletter.
QString text();

} // namespace vesk::fakegoogle::demonewsletter
