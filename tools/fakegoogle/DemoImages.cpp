#include "DemoImages.h"

#include "GoogleError.h"

#include <QBuffer>
#include <QHash>
#include <QImage>
#include <QLinearGradient>
#include <QMutex>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>

#include <functional>

namespace vesk::fakegoogle {

using namespace Qt::StringLiterals;

namespace {

constexpr auto s_prefix = "/demo-images/";
constexpr auto s_suffix = ".png";

// Drawn at twice the size the newsletter lays them out at, for sharp
// pictures on high-density screens. Only shapes: text would need the font
// database, which a stand-in without a GUI application does not have.
QImage canvas(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void fillVertical(QPainter& p, const QRectF& rect, const QList<QPair<qreal, QColor>>& stops)
{
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    for (const auto& [at, colour] : stops)
        gradient.setColorAt(at, colour);
    p.fillRect(rect, gradient);
}

void glow(QPainter& p, QPointF centre, qreal radius, QColor colour)
{
    QRadialGradient gradient(centre, radius);
    gradient.setColorAt(0, colour);
    colour.setAlpha(0);
    gradient.setColorAt(1, colour);
    p.setPen(Qt::NoPen);
    p.setBrush(gradient);
    p.drawEllipse(centre, radius, radius);
}

// Lisbon at dusk over the river: sky, sun, the castle hill and the roofs.
QImage header()
{
    QImage image = canvas(1200, 400);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    fillVertical(p, image.rect(),
                 {{0, QColor(0x2a, 0x08, 0x45)},
                  {0.55, QColor(0x8a, 0x05, 0xbe)},
                  {1, QColor(0xf0, 0x8a, 0x5d)}});
    QRandomGenerator random(14);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 40; ++i) {
        p.setBrush(QColor(255, 255, 255, 60 + random.bounded(140)));
        const qreal r = 1 + random.bounded(2.0);
        p.drawEllipse(QPointF(random.bounded(1200.0), random.bounded(150.0)), r, r);
    }
    glow(p, {880, 250}, 210, QColor(255, 200, 120, 150));
    QRadialGradient sun(QPointF(880, 230), 90);
    sun.setColorAt(0, QColor(0xff, 0xe2, 0x9a));
    sun.setColorAt(1, QColor(0xf5, 0xa0, 0x5a));
    p.setBrush(sun);
    p.drawEllipse(QPointF(880, 250), 88, 88);

    QPainterPath hill;
    hill.moveTo(0, 300);
    hill.cubicTo(180, 170, 420, 160, 620, 260);
    hill.cubicTo(760, 320, 980, 220, 1200, 270);
    hill.lineTo(1200, 400);
    hill.lineTo(0, 400);
    p.setBrush(QColor(0x5a, 0x1a, 0x7a));
    p.drawPath(hill);

    // The castle on top of the hill.
    const QColor castle(0x3b, 0x0e, 0x5c);
    p.setBrush(castle);
    p.drawRect(QRectF(300, 150, 150, 70));
    for (int x = 300; x < 450; x += 25)
        p.drawRect(QRectF(x, 138, 14, 14));
    p.drawRect(QRectF(350, 110, 40, 45));
    for (int x = 350; x < 390; x += 14)
        p.drawRect(QRectF(x, 100, 9, 12));

    // Rows of houses with lit windows.
    const QColor window(0xff, 0xc9, 0x6b);
    for (qreal x = -10; x < 1200;) {
        const qreal width = 40 + random.bounded(50.0);
        const qreal height = 50 + random.bounded(80.0);
        const qreal top = 345 - height;
        p.setBrush(castle);
        p.drawRect(QRectF(x, top, width - 4, height + 10));
        if (random.bounded(3) == 0) {
            QPainterPath roof;
            roof.moveTo(x - 3, top);
            roof.lineTo(x + width / 2 - 2, top - 18);
            roof.lineTo(x + width - 1, top);
            p.drawPath(roof);
        }
        p.setBrush(window);
        for (qreal wy = top + 12; wy < 330; wy += 22) {
            for (qreal wx = x + 8; wx < x + width - 14; wx += 16) {
                if (random.bounded(5) < 2)
                    p.drawRect(QRectF(wx, wy, 7, 10));
            }
        }
        x += width;
    }

    // The river, with the sun's reflection in short strokes.
    fillVertical(p, QRectF(0, 345, 1200, 55),
                 {{0, QColor(0x4a, 0x12, 0x6e)}, {1, QColor(0x2a, 0x08, 0x45)}});
    p.setPen(QPen(QColor(0xff, 0xd2, 0x8a, 190), 3, Qt::SolidLine, Qt::RoundCap));
    for (int row = 0; row < 5; ++row) {
        const qreal half = 70 - row * 10;
        p.drawLine(QPointF(880 - half + random.bounded(20.0), 356 + row * 9),
                   QPointF(880 + half - random.bounded(20.0), 356 + row * 9));
    }
    return image;
}

// A Portuguese guitar under a warm spotlight.
QImage fado()
{
    QImage image = canvas(560, 360);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    fillVertical(p, image.rect(), {{0, QColor(0x3a, 0x0a, 0x2e)}, {1, QColor(0x12, 0x06, 0x1e)}});
    glow(p, {280, 120}, 260, QColor(255, 190, 120, 90));
    QRandomGenerator random(21);
    for (int i = 0; i < 14; ++i) {
        glow(p, {random.bounded(560.0), random.bounded(360.0)}, 10 + random.bounded(30.0),
             QColor(0xb4, 0x4a, 0xe0, 90));
    }

    p.translate(300, 245);
    p.scale(0.72, 0.72);
    p.rotate(-28);
    // Neck and the fan of tuning pegs.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x5a, 0x30, 0x12));
    p.drawRect(QRectF(-12, -250, 24, 170));
    p.setBrush(QColor(0xe8, 0xc0, 0x70));
    p.drawPie(QRectF(-45, -290, 90, 90), 0, 180 * 16);
    p.setBrush(QColor(0xff, 0xe2, 0x9a));
    for (int i = 0; i < 6; ++i) {
        const qreal angle = qDegreesToRadians(15.0 + i * 30.0);
        p.drawEllipse(QPointF(38 * std::cos(angle), -245 - 38 * std::sin(angle)), 6, 6);
    }
    // The round body with its rosette and bridge.
    QRadialGradient wood(QPointF(-25, -20), 140);
    wood.setColorAt(0, QColor(0xe0, 0xa0, 0x5a));
    wood.setColorAt(1, QColor(0x7a, 0x44, 0x18));
    p.setBrush(wood);
    p.setPen(QPen(QColor(0x3a, 0x1a, 0x08), 4));
    p.drawEllipse(QRectF(-95, -100, 190, 200));
    p.setPen(QPen(QColor(0xf4, 0xd8, 0xa0), 4));
    p.setBrush(QColor(0x1a, 0x0a, 0x04));
    p.drawEllipse(QPointF(0, -30), 26, 26);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2a, 0x12, 0x06));
    p.drawRect(QRectF(-30, 45, 60, 8));
    p.setPen(QPen(QColor(255, 248, 230, 200), 1.2));
    for (int i = 0; i < 6; ++i) {
        const qreal x = -9 + i * 3.6;
        p.drawLine(QPointF(x, 49), QPointF(x * 0.9, -250));
    }
    return image;
}

// A stall of the book fair under the trees, with the brand's awning.
QImage bookFair()
{
    QImage image = canvas(560, 360);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    fillVertical(p, image.rect(),
                 {{0, QColor(0xbf, 0xe3, 0xf0)},
                  {0.62, QColor(0xe8, 0xf4, 0xe4)},
                  {0.63, QColor(0x7c, 0xb8, 0x72)},
                  {1, QColor(0x4f, 0x8f, 0x5a)}});
    QRandomGenerator random(35);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 9; ++i) {
        const qreal x = 20 + i * 65 + random.bounded(20.0);
        p.setBrush(QColor(0x6b, 0x4a, 0x2a));
        p.drawRect(QRectF(x - 5, 150, 10, 80));
        p.setBrush(QColor(0x3f + random.bounded(30), 0x8f + random.bounded(40), 0x4f, 235));
        p.drawEllipse(QPointF(x, 130), 48, 42);
    }
    // The stall: back wall, counter and a striped, scalloped awning.
    p.setBrush(QColor(0xef, 0xe6, 0xf7));
    p.drawRect(QRectF(110, 120, 340, 190));
    p.setBrush(QColor(0x8a, 0x05, 0xbe));
    p.drawRect(QRectF(110, 240, 340, 70));
    for (int i = 0; i < 10; ++i) {
        const qreal x = 96 + i * 36.8;
        p.setBrush(i % 2 ? QColor(0xff, 0xff, 0xff) : QColor(0xb4, 0x4a, 0xe0));
        p.drawRect(QRectF(x, 84, 36.8, 40));
        p.drawChord(QRectF(x, 106, 36.8, 36), 180 * 16, 180 * 16);
    }
    // Books standing on the counter, then a row lying flat.
    const QList<QColor> covers{QColor(0xf0, 0x52, 0x52), QColor(0xff, 0xc9, 0x6b),
                               QColor(0x2e, 0x6f, 0xd8), QColor(0x3d, 0xb8, 0x8a),
                               QColor(0x8a, 0x05, 0xbe), QColor(0xf0, 0x8a, 0x5d)};
    for (qreal x = 130; x < 420;) {
        const qreal width = 14 + random.bounded(12.0);
        const qreal height = 60 + random.bounded(40.0);
        p.setBrush(covers[random.bounded(int(covers.size()))]);
        p.drawRoundedRect(QRectF(x, 240 - height, width, height), 2, 2);
        p.setBrush(QColor(255, 255, 255, 150));
        p.drawRect(QRectF(x + 3, 240 - height + 10, width - 6, 3));
        x += width + 3;
    }
    for (int i = 0; i < 5; ++i) {
        p.setBrush(covers[(i + 2) % covers.size()]);
        p.drawRoundedRect(QRectF(140 + i * 58, 258, 50, 14), 2, 2);
    }
    return image;
}

QImage pixel()
{
    return canvas(1, 1);
}

QByteArray encode(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

const QHash<QString, std::function<QImage()>>& painters()
{
    static const QHash<QString, std::function<QImage()>> s_painters{{u"cabecalho"_s, header},
                                                                    {u"fado"_s, fado},
                                                                    {u"feira-do-livro"_s, bookFair},
                                                                    {u"pixel"_s, pixel}};
    return s_painters;
}

} // namespace

bool DemoImages::owns(const QString& path)
{
    return path.startsWith(QLatin1String(s_prefix));
}

HttpReply DemoImages::handle(const HttpCall& call)
{
    QString name = call.path.mid(qsizetype(qstrlen(s_prefix)));
    const QByteArray bytes = call.method == u"GET"_s && name.endsWith(QLatin1String(s_suffix))
                                 ? png(name.chopped(qsizetype(qstrlen(s_suffix))))
                                 : QByteArray();
    if (bytes.isEmpty())
        return googleerror::api(404, u"Not Found"_s, u"notFound"_s);
    HttpReply reply;
    reply.contentType = "image/png";
    reply.body = bytes;
    reply.headers.append(qMakePair(QByteArray("Cache-Control"), QByteArray("max-age=86400")));
    return reply;
}

QStringList DemoImages::names()
{
    QStringList names = painters().keys();
    names.sort();
    return names;
}

QUrl DemoImages::url(const QUrl& base, const QString& name)
{
    return base.resolved(QUrl(QLatin1String(s_prefix) + name + QLatin1String(s_suffix)));
}

QByteArray DemoImages::png(const QString& name)
{
    static QMutex s_mutex;
    static QHash<QString, QByteArray> s_drawn;
    const auto painter = painters().constFind(name);
    if (painter == painters().constEnd())
        return {};
    const QMutexLocker lock(&s_mutex);
    auto drawn = s_drawn.find(name);
    if (drawn == s_drawn.end())
        drawn = s_drawn.insert(name, encode((*painter)()));
    return *drawn;
}

} // namespace vesk::fakegoogle
