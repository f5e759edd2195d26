#include "ui/tray/TrayBadge.h"

#include "ui/style/Brand.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>

namespace vesk::TrayBadge {

namespace {

QPixmap badged(const QIcon& base, int side, const QString& text)
{
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    base.paint(&painter, pixmap.rect());

    // Over half the icon's height, so that the figure stays readable at 16
    // pixels; wider than tall for two or three characters.
    const qreal height = std::max(9.0, side * 0.58);
    QFont font = Brand::inter(1, QFont::Bold);
    font.setPixelSize(std::max(7, int(height * 0.72)));
    const qreal textWidth = QFontMetricsF(font).horizontalAdvance(text);
    const qreal width = std::clamp(textWidth + height * 0.45, height, qreal(side));
    const QRectF capsule(side - width, 0, width, height);
    QPainterPath path;
    path.addRoundedRect(capsule, height / 2, height / 2);
    painter.fillPath(path, Brand::error);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(capsule, Qt::AlignCenter, text);
    return pixmap;
}

} // namespace

QString label(qint64 unread)
{
    if (unread <= 0)
        return {};
    return unread > 99 ? QStringLiteral("99+") : QString::number(unread);
}

QIcon icon(const QIcon& base, qint64 unread)
{
    const QString text = label(unread);
    if (text.isEmpty())
        return base;
    QIcon result;
    for (const int side : sizes)
        result.addPixmap(badged(base, side, text));
    return result;
}

QString toolTip(qint64 unread)
{
    QString count;
    if (unread <= 0)
        count = QCoreApplication::translate("vesk::TrayBadge", "Sem mensagens por ler");
    else if (unread == 1)
        count = QCoreApplication::translate("vesk::TrayBadge", "1 mensagem por ler");
    else
        count = QCoreApplication::translate("vesk::TrayBadge", "%1 mensagens por ler")
                    .arg(QLocale().toString(unread));
    return QStringLiteral("VESK\n") + count;
}

} // namespace vesk::TrayBadge
