#include "csvtext.h"

#include <cmath>

namespace csv {

QString decode(const QByteArray &bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    return QString::fromUtf8(view);
}

QList<QStringView> splitLines(QStringView text)
{
    QList<QStringView> lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        const qsizetype next = end < 0 ? text.size() : end + 1;
        if (end < 0)
            end = text.size();
        QStringView line = text.sliced(start, end - start);
        if (line.endsWith(u'\r'))
            line.chop(1);
        lines.append(line);
        start = next;
    }
    return lines;
}

bool parseNumber(QStringView text, double *out)
{
    const QStringView t = text.trimmed();
    qsizetype i = 0;
    const qsizetype n = t.size();
    auto digits = [&]() {
        const qsizetype from = i;
        while (i < n && t[i] >= u'0' && t[i] <= u'9')
            ++i;
        return i - from;
    };
    if (i < n && (t[i] == u'+' || t[i] == u'-'))
        ++i;
    qsizetype mantissa = digits();
    if (i < n && t[i] == u'.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0)
        return false;
    if (i < n && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        if (i < n && (t[i] == u'+' || t[i] == u'-'))
            ++i;
        if (digits() == 0)
            return false;
    }
    if (i != n)
        return false;
    bool ok = false;
    const double value = t.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return false;
    *out = value;
    return true;
}

} // namespace csv
