#include "shell/pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace pictures {
namespace {
const QColor Navy(0x1f, 0x3b, 0x63);
const QColor Sky(0xdc, 0xf0, 0xff);
const QColor Asphalt(0x5a, 0x5f, 0x66);

void drawCar(QPainter &p, const QRectF &r, const QColor &body)
{
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    QPainterPath path;
    path.addRoundedRect(QRectF(r.left(), r.top() + r.height() * 0.35, r.width(), r.height() * 0.45),
                        4, 4);
    path.addRoundedRect(
        QRectF(r.left() + r.width() * 0.2, r.top(), r.width() * 0.55, r.height() * 0.5), 6, 6);
    p.drawPath(path.simplified());
    p.setBrush(QColor(0x22, 0x22, 0x22));
    const qreal d = r.height() * 0.35;
    p.drawEllipse(QRectF(r.left() + r.width() * 0.15, r.bottom() - d, d, d));
    p.drawEllipse(QRectF(r.right() - r.width() * 0.15 - d, r.bottom() - d, d, d));
}

void drawGate(QPainter &p, const QPointF &base, qreal length, qreal angleDeg)
{
    p.setPen(QPen(QColor(0x44, 0x44, 0x44), 2));
    p.setBrush(QColor(0xf0, 0xc0, 0x30));
    p.drawRect(QRectF(base.x() - 6, base.y() - 30, 12, 30));
    p.save();
    p.translate(base.x(), base.y() - 24);
    p.rotate(-angleDeg);
    for (int i = 0; i < 6; ++i) {
        p.setBrush(i % 2 ? Qt::white : QColor(0xd0, 0x20, 0x20));
        p.drawRect(QRectF(i * length / 6, -3, length / 6, 6));
    }
    p.restore();
}
} // namespace

QPixmap splash(const QSize &size)
{
    QPixmap pm(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, size.height());
    g.setColorAt(0, Navy);
    g.setColorAt(1, QColor(0x3d, 0x7b, 0xc4));
    p.fillRect(pm.rect(), g);
    p.setBrush(Asphalt);
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(0, size.height() * 0.72, size.width(), size.height() * 0.28));
    drawGate(p, QPointF(size.width() * 0.62, size.height() * 0.74), size.width() * 0.25, 8);
    drawCar(
        p,
        QRectF(size.width() * 0.2, size.height() * 0.55, size.width() * 0.28, size.height() * 0.2),
        QColor(0xf2, 0xf2, 0xf2));
    return pm;
}

QPixmap carPark(const QSize &size, int variant)
{
    QPixmap pm(size);
    pm.fill(Sky);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRectF(0, size.height() * 0.55, size.width(), size.height() * 0.45), Asphalt);
    p.setPen(QPen(Qt::white, 2, Qt::DashLine));
    p.drawLine(QPointF(0, size.height() * 0.78), QPointF(size.width(), size.height() * 0.78));
    drawGate(p, QPointF(size.width() * 0.5, size.height() * 0.6), size.width() * 0.3,
             variant == 0 ? 0 : 60);
    const QColor bodies[] = {QColor(0xc0, 0x39, 0x2b), QColor(0x27, 0x60, 0xae)};
    drawCar(
        p,
        QRectF(size.width() * 0.08, size.height() * 0.6, size.width() * 0.3, size.height() * 0.22),
        bodies[variant % 2]);
    // The long-range reader on its post.
    p.setPen(QPen(QColor(0x33, 0x33, 0x33), 3));
    p.drawLine(QPointF(size.width() * 0.85, size.height() * 0.6),
               QPointF(size.width() * 0.85, size.height() * 0.25));
    p.setBrush(Navy);
    p.drawRoundedRect(
        QRectF(size.width() * 0.8, size.height() * 0.15, size.width() * 0.1, size.height() * 0.12),
        3, 3);
    return pm;
}

QPixmap exitPicture(const QSize &size)
{
    QPixmap pm(size);
    pm.fill(Qt::white);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = qMin(size.width(), size.height()) * 0.8;
    const QRectF r((size.width() - s) / 2, (size.height() - s) / 2, s, s);
    p.setPen(QPen(QColor(0xc0, 0x39, 0x2b), s * 0.08, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(r.adjusted(s * 0.1, s * 0.1, -s * 0.1, -s * 0.1), 120 * 16, 300 * 16);
    p.drawLine(QPointF(r.center().x(), r.top() + s * 0.05), r.center());
    return pm;
}

QPixmap loginSide(const QSize &size)
{
    return carPark(size, 1);
}

QPixmap logo(const QSize &size)
{
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Navy);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(pm.rect().adjusted(1, 1, -1, -1), 8, 8);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(int(size.height() * 0.6));
    p.setFont(f);
    p.drawText(pm.rect(), Qt::AlignCenter, QStringLiteral("P"));
    return pm;
}

QPixmap button(const QString &kind, const QSize &size)
{
    QPixmap pm(size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QColor c(0x27, 0x60, 0xae);
    if (kind == QLatin1String("delete") || kind == QLatin1String("cancel"))
        c = QColor(0xc0, 0x39, 0x2b);
    if (kind == QLatin1String("save"))
        c = QColor(0x27, 0xae, 0x60);
    p.setBrush(c);
    p.setPen(Qt::NoPen);
    p.drawEllipse(pm.rect().adjusted(2, 2, -2, -2));
    p.setPen(QPen(Qt::white, size.width() / 10.0, Qt::SolidLine, Qt::RoundCap));
    const QRectF r = QRectF(pm.rect()).adjusted(size.width() * 0.3, size.height() * 0.3,
                                                -size.width() * 0.3, -size.height() * 0.3);
    if (kind == QLatin1String("add")) {
        p.drawLine(QPointF(r.center().x(), r.top()), QPointF(r.center().x(), r.bottom()));
        p.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
    } else if (kind == QLatin1String("edit")) {
        p.drawLine(r.bottomLeft(), r.topRight());
    } else if (kind == QLatin1String("delete")) {
        p.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
    } else if (kind == QLatin1String("save")) {
        p.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.center().x(), r.bottom()));
        p.drawLine(QPointF(r.center().x(), r.bottom()), r.topRight());
    } else {
        p.drawLine(r.topLeft(), r.bottomRight());
        p.drawLine(r.bottomLeft(), r.topRight());
    }
    return pm;
}

QPixmap aboutBackground(const QSize &size)
{
    QPixmap pm(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0, Sky);
    sky.setColorAt(1, Qt::white);
    p.fillRect(pm.rect(), sky);
    // A quiet road with a gate along the bottom edge, under the texts.
    const qreal road = size.height() * 0.78;
    p.fillRect(QRectF(0, road, size.width(), size.height() - road), Asphalt);
    p.setPen(QPen(Qt::white, 2, Qt::DashLine));
    p.drawLine(QPointF(0, road + (size.height() - road) / 2),
               QPointF(size.width(), road + (size.height() - road) / 2));
    drawGate(p, QPointF(size.width() * 0.72, road), size.width() * 0.22, 0);
    drawCar(p, QRectF(size.width() * 0.12, road - 28, 70, 30), QColor(0x2e, 0x86, 0xc1));
    p.drawPixmap(QPoint(14, 14), logo(QSize(44, 44)));
    return pm;
}

QPixmap helpBackground(const QSize &size)
{
    QPixmap pm(size);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, size.width(), size.height());
    g.setColorAt(0, QColor(0xe8, 0xf1, 0xfa));
    g.setColorAt(1, QColor(0xc9, 0xdc, 0xef));
    p.fillRect(pm.rect(), g);
    // A faint grid of parking bays.
    p.setPen(QPen(QColor(0xff, 0xff, 0xff, 150), 2));
    for (int x = 0; x < size.width(); x += 60)
        p.drawLine(x, size.height() - 70, x + 20, size.height());
    return pm;
}

QIcon appIcon()
{
    return QIcon(logo(QSize(64, 64)));
}

} // namespace pictures
