#pragma once

#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>

namespace imagebytes {
class Reader;
class Writer;
} // namespace imagebytes

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

// Where a network's roads run and how long they are, as its folder's optional shapes.csv says:
// a header line, then one road a line, "FROM,TO,KM,LAT,LON,LAT,LON,..." with the points from
// FROM to TO in decimal degrees. Points are kept in map units (as City keeps its position).
// Without the file there is nothing, and roads are straight lines of no known length.
class RoadShapes
{
public:
    static QString fileName() { return QStringLiteral("shapes.csv"); }
    // Longer than any road on Earth: a larger figure is a slip, not a distance, and is refused.
    static constexpr double kLongestKm = 100000.0;

    // What the file is read against: the cities' positions of a name, and whether a road
    // joins two positions.
    struct Roads
    {
        std::function<std::span<const int>(QStringView name)> positionsOf;
        std::function<bool(int a, int b)> joined;
    };
    // Reads DIR/shapes.csv for those roads; a line that cannot serve is said in `messages`
    // ("shapes.csv:LINE: ...") and left out. No file: empty, and nothing said.
    void read(const QString &dir, const Roads &roads, QStringList *messages);
    // The same from the file's bytes.
    void parse(const QByteArray &bytes, const Roads &roads, QStringList *messages);

    // Into and back from a network's image, simplified as they were read: opening a network
    // from its image costs nothing for its shapes. `take` refuses arrays that do not hold
    // together (for networks of `cities` cities).
    void put(imagebytes::Writer *out) const;
    bool take(imagebytes::Reader *in, int cities);

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
    // Keeps a shape's points (backwards: from its last point) and returns its index.
    int add(double km, const std::vector<QPointF> &shape, bool backwards);

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
