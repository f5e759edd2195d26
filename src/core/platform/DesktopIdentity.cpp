#include "DesktopIdentity.h"

namespace vesk {

QString DesktopIdentity::id()
{
    return QStringLiteral(VESK_APP_ID);
}

QString DesktopIdentity::desktopFileName()
{
    return id() + QStringLiteral(".desktop");
}

QString DesktopIdentity::applicationUri()
{
    return QStringLiteral("application://") + desktopFileName();
}

QString DesktopIdentity::objectPath()
{
    return u'/' + QString(id()).replace(u'.', u'/');
}

} // namespace vesk
