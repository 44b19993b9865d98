#pragma once

// The bytes of a network's image: values, arrays and texts written as they lie in memory, and
// read back with every read checked against what is left.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <algorithm>
#include <cstring>
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
class Reader
{
public:
    explicit Reader(QByteArrayView bytes) : bytes(bytes) {}

    template <typename T> bool get(T *value)
    {
        if (left() < qsizetype(sizeof(T)))
            return false;
        std::memcpy(value, bytes.data() + at, sizeof(T));
        at += qsizetype(sizeof(T));
        return true;
    }
    // A count of items of `size` bytes each that the bytes left can hold.
    bool getCount(std::size_t size, std::size_t *count)
    {
        quint64 n = 0;
        if (!get(&n) || n > quint64(left()) / size)
            return false;
        *count = std::size_t(n);
        return true;
    }
    template <typename T> bool getArray(std::vector<T> *values)
    {
        std::size_t n = 0;
        if (!getCount(sizeof(T), &n))
            return false;
        values->resize(n);
        if (n > 0) // (an empty vector's data may be null, which memcpy must not be given)
            std::memcpy(values->data(), bytes.data() + at, n * sizeof(T));
        at += qsizetype(n * sizeof(T));
        return true;
    }
    bool getString(QString *text)
    {
        quint32 n = 0;
        if (!get(&n) || n > quint64(left()) / 2)
            return false;
        *text = QString(reinterpret_cast<const QChar *>(bytes.data() + at), qsizetype(n));
        at += qsizetype(n) * 2;
        return true;
    }
    qsizetype left() const { return bytes.size() - at; }
    void skip(qsizetype n) { at += std::min(n, left()); }

private:
    QByteArrayView bytes;
    qsizetype at = 0;
};

} // namespace imagebytes
