#include "DesktopBrowser.h"

#include <QDesktopServices>
#include <QUrl>

namespace vesk {

void DesktopBrowser::open(const QUrl& url)
{
    // The result only says whether a handler was started; whether the user
    // signs in is learnt from the redirect, or from the time-out.
    QDesktopServices::openUrl(url);
}

} // namespace vesk
