#include "reachlayer.h"
#include "infinity.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

ReachShown::ReachShown(const Network &network, int from, double limit)
    : reached(reachFrom(network, from, limit)), timeOf(std::size_t(network.size()), kInf)
{
    if (reached.empty())
        return;
    origin = from;
    minutes = limit;
    for (const Reached &r : reached)
        timeOf[std::size_t(r.city)] = r.time;
}

int ReachShown::band(double time) const
{
    if (!(time <= minutes))
        return -1;
    if (minutes <= 0)
        return 0;
    // A bound belongs to the band below it: 30 minutes of 2 hours is the first quarter.
    return std::clamp(int(std::ceil(time * kBands / minutes)) - 1, 0, kBands - 1);
}

int ReachShown::bandOf(int city) const
{
    if (city < 0 || std::size_t(city) >= timeOf.size())
        return -1;
    return band(timeOf[std::size_t(city)]);
}

QColor ReachShown::colour(int band)
{
    // Dark to light blues and greens: apart from the route's red, readable on land and sea.
    static const QColor bands[kBands] = {QColor(0x25, 0x34, 0x94), QColor(0x2c, 0x7f, 0xb8),
                                         QColor(0x41, 0xb6, 0xc4), QColor(0x7f, 0xcd, 0x9b)};
    return bands[std::clamp(band, 0, kBands - 1)];
}

void drawReachLayer(QPainter &painter, const MapViewport &view, const QRect &area,
                    const std::vector<City> &cities,
                    const std::vector<std::pair<int, int>> &roadPairs, const ReachShown &reach)
{
    if (reach.empty())
        return;
    painter.save();
    const QRect margin = area.adjusted(-3, -3, 3, 3);
    // Roads first, farthest band first, so that nearer ones lie on top.
    QList<QLine> lines[ReachShown::kBands];
    for (const auto &[i, j] : roadPairs) {
        const int bi = reach.bandOf(i), bj = reach.bandOf(j);
        if (bi < 0 || bj < 0)
            continue;
        const QPoint a = view.project(cities[std::size_t(i)]);
        const QPoint b = view.project(cities[std::size_t(j)]);
        if (!margin.intersects(QRect(a, b).normalized().adjusted(0, 0, 1, 1)))
            continue;
        lines[std::max(bi, bj)].append(QLine(a, b));
    }
    for (int band = ReachShown::kBands - 1; band >= 0; --band) {
        painter.setPen(QPen(ReachShown::colour(band), 3, Qt::SolidLine, Qt::RoundCap));
        painter.drawLines(lines[band]);
    }
    painter.setPen(Qt::NoPen);
    const std::vector<Reached> &reached = reach.cities();
    for (auto it = reached.rbegin(); it != reached.rend(); ++it) {
        const QPoint at = view.project(cities[std::size_t(it->city)]);
        if (!margin.contains(at))
            continue;
        painter.setBrush(ReachShown::colour(reach.band(it->time)));
        painter.drawRect(at.x() - 3, at.y() - 3, 6, 6);
    }
    const QPoint start = view.project(cities[std::size_t(reach.from())]);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(ReachShown::colour(0), 2));
    painter.drawEllipse(QPointF(start), 8, 8);
    painter.restore();
}

void drawReachLegend(QPainter &painter, const QRect &area, const QString &title,
                     const QStringList &bandTexts)
{
    painter.save();
    const QFontMetrics metrics(painter.font());
    const int line = metrics.height() + 2;
    const int swatch = metrics.height() - 4;
    int width = metrics.horizontalAdvance(title);
    for (const QString &text : bandTexts)
        width = std::max(width, swatch + 6 + metrics.horizontalAdvance(text));
    const QRect box(area.left() + 8, area.top() + 8, width + 16,
                    line * int(bandTexts.size() + 1) + 10);
    painter.setPen(QColor(0xa0, 0xa0, 0xa0));
    painter.setBrush(QColor(255, 255, 255, 230));
    painter.drawRect(box);
    painter.setPen(Qt::black);
    int y = box.top() + 5;
    painter.drawText(QRect(box.left() + 8, y, width, line), Qt::AlignLeft | Qt::AlignVCenter,
                     title);
    for (int band = 0; band < int(bandTexts.size()); ++band) {
        y += line;
        painter.fillRect(QRect(box.left() + 8, y + (line - swatch) / 2, swatch, swatch),
                         ReachShown::colour(band));
        painter.drawText(QRect(box.left() + 14 + swatch, y, width, line),
                         Qt::AlignLeft | Qt::AlignVCenter, bandTexts[band]);
    }
    painter.restore();
}
