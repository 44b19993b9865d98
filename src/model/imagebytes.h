#pragma once

// The bytes of a network's image: values, arrays and texts written as they lie in memory, and
// read back with every read checked against what is left.

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>

#include <algorithm>
#include <cstring>
#include <functional>
#include <type_traits>
#include <vector>

namespace imagebytes {

class Writer
{
public:
    template <typename T> void put(const T &value)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        out.append(reinterpret_cast<const char *>(&value), sizeof value);
    }
    template <typename T> void putArray(const std::vector<T> &values)
    {
        put(quint64(values.size()));
        out.append(reinterpret_cast<const char *>(values.data()),
                   qsizetype(values.size() * sizeof(T)));
    }
    void putString(const QString &text)
    {
        put(quint32(text.size()));
        out.append(reinterpret_cast<const char *>(text.constData()), text.size() * 2);
    }
    QByteArray out;
};

// Every read is checked against what is left: any bytes, damaged or made up, end in false.
// From bytes in memory, or straight from a file into the arrays they fill (each byte read shown
// to `seen`, which hashes them, as it goes).
class Reader
{
public:
    explicit Reader(QByteArrayView bytes) : bytes(bytes), size(bytes.size()) {}
    Reader(QIODevice *in, qint64 size, std::function<void(const char *, qint64)> seen)
        : in(in), size(size), seen(std::move(seen))
    {
    }

    template <typename T> bool get(T *value)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        return left() >= qint64(sizeof(T)) && read(value, qint64(sizeof(T)));
    }
    // A count of items of `size` bytes each that the bytes left can hold.
    bool getCount(std::size_t itemSize, std::size_t *count)
    {
        quint64 n = 0;
        if (!get(&n) || n > quint64(left()) / itemSize)
            return false;
        *count = std::size_t(n);
        return true;
    }
    template <typename T> bool getArray(std::vector<T> *values)
    {
        static_assert(std::is_trivially_copyable_v<T>);
        std::size_t n = 0;
        if (!getCount(sizeof(T), &n))
            return false;
        values->resize(n);
        // (An empty vector's data may be null, which memcpy must not be given.)
        return n == 0 || read(values->data(), qint64(n * sizeof(T)));
    }
    bool getString(QString *text)
    {
        quint32 n = 0;
        if (!get(&n) || n > quint64(left()) / 2)
            return false;
        *text = QString(qsizetype(n), Qt::Uninitialized);
        return n == 0 || read(text->data(), qint64(n) * 2);
    }
    qint64 left() const { return size - at; }

private:
    bool read(void *to, qint64 n)
    {
        if (in) {
            for (qint64 got = 0; got < n;) {
                const qint64 more = in->read(static_cast<char *>(to) + got, n - got);
                if (more <= 0) {
                    size = at; // the file ended, or failed: nothing more to read
                    return false;
                }
                got += more;
            }
            if (seen)
                seen(static_cast<const char *>(to), n);
        } else {
            std::memcpy(to, bytes.data() + at, std::size_t(n));
        }
        at += n;
        return true;
    }

    QByteArrayView bytes;
    QIODevice *in = nullptr;
    qint64 size = 0, at = 0;
    std::function<void(const char *, qint64)> seen;
};

} // namespace imagebytes
