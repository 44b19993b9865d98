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
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        if (c != u'\n' && c != u'\r')
            continue;
        lines.append(text.sliced(start, i - start));
        if (c == u'\r' && i + 1 < size && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(text.sliced(start));
    return lines;
}

Number parseNumber(QStringView text, double *out)
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
        return Number::NotANumber;
    if (i < n && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        if (i < n && (t[i] == u'+' || t[i] == u'-'))
            ++i;
        if (digits() == 0)
            return Number::NotANumber;
    }
    if (i != n)
        return Number::NotANumber;
    bool ok = false;
    const double value = t.toDouble(&ok);
    if (!std::isfinite(value))
        return Number::TooLarge;
    *out = ok ? value : 0.0; // a well-formed number Qt cannot hold is one too small: 0
    return Number::Ok;
}

} // namespace csv

int csv::replaceUnwritable(QString *text)
{
    int first = -1;
    const qsizetype n = text->size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text->at(i).unicode();
        bool bad = (c < 0x20 && c != u'\t') || c == 0xFFFE || c == 0xFFFF;
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 < n && QChar::isLowSurrogate(text->at(i + 1).unicode())) {
                ++i; // a whole pair
                continue;
            }
            bad = true;
        } else if (QChar::isLowSurrogate(c)) {
            bad = true;
        }
        if (bad) {
            if (first < 0)
                first = c;
            (*text)[i] = QChar::ReplacementCharacter;
        }
    }
    return first;
}
