#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <span>
#include <vector>

class Network;

// Where a network's roads run and how long they are, as its folder's optional shapes.csv says:
// a header line, then one road a line, "FROM,TO,KM,LAT,LON,LAT,LON,..." with the points from
// FROM to TO in decimal degrees. Points are kept in map units (as City keeps its position).
// Without the file there is nothing, and roads are straight lines of no known length.
class RoadShapes
{
public:
    static QString fileName() { return QStringLiteral("shapes.csv"); }

    // Reads DIR/shapes.csv for the roads of `net`; a line that cannot serve is said in
    // `messages` ("shapes.csv:LINE: ...") and left out. No file: empty, and nothing said.
    void read(const QString &dir, const Network &net, QStringList *messages);
    // The same from the file's bytes.
    void parse(const QByteArray &bytes, const Network &net, QStringList *messages);

    bool isEmpty() const { return keys.empty(); }
    int count() const { return int(kmOf.size()); }

    // The shape of the road between cities `a` and `b` (positions), or -1.
    int find(int a, int b) const;
    double km(int shape) const { return kmOf[std::size_t(shape)]; }
    // Its points in map units, from the city with the lower position to the other.
    std::span<const QPointF> points(int shape) const
    {
        return {points_.data() + starts[std::size_t(shape)],
                points_.data() + starts[std::size_t(shape) + 1]};
    }
    const QRectF &bounds(int shape) const { return box[std::size_t(shape)]; }
    // The same shape with the points that leave its line by less than kCoarse map units left
    // out: enough for a view where that is under half a pixel.
    static constexpr double kCoarse = 0.02; // about 90 m
    std::span<const QPointF> coarsePoints(int shape) const
    {
        return {coarse.data() + coarseStarts[std::size_t(shape)],
                coarse.data() + coarseStarts[std::size_t(shape) + 1]};
    }

private:
    struct Key
    {
        std::int32_t lo, hi, shape;
    };
    std::vector<Key> keys; // by lo, then hi
    std::vector<double> kmOf;
    std::vector<std::int64_t> starts{0};
    std::vector<QPointF> points_;
    std::vector<QRectF> box;
    std::vector<std::int64_t> coarseStarts{0};
    std::vector<QPointF> coarse;
};

// A route along the roads, leg by leg: each leg's km (NaN where its road has no shape) and its
// line in map units, along the shape where there is one and straight between the two cities
// elsewhere; a leg that no road makes has no km and no line.
struct RouteShape
{
    bool shaped = false;       // the network has shapes at all (else no km anywhere)
    std::vector<double> legKm; // one per leg, when shaped
    std::vector<std::vector<QPointF>> legLines;
    // The sum of the legs, NaN when one of them is unknown or the network has no shapes.
    double totalKm() const;
    bool hasKm() const { return shaped; }
    // The km of the leg that reaches the k-th city of the route: 0 for the first, NaN where
    // unknown.
    double kmTo(std::size_t k) const;
};
// Through a town the route only passes (not one of `stops`, the names the user asked to go
// to), a leg that runs to the town's own point and back the same way is cut where it turns.
RouteShape routeShape(const Network &net, const std::vector<int> &path,
                      const std::vector<QString> &stops = {});
