#include "DesktopBrowser.h"

#include <QDesktopServices>
#include <QUrl>

namespace vesk {

bool DesktopBrowser::open(const QUrl& url)
{
    // True only says that a handler was started; whether the user signs in is
    // learnt from the redirect, or from the time-out.
    return QDesktopServices::openUrl(url);
}

} // namespace vesk
