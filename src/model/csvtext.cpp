#include "csvtext.h"

#include <charconv>
#include <cmath>

namespace csv {

QString decode(const QByteArray &bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    return QString::fromUtf8(view);
}

qsizetype blockEnd(QByteArrayView bytes, qsizetype from, qsizetype size)
{
    if (bytes.size() - from <= size)
        return bytes.size();
    const qsizetype feed = bytes.indexOf('\n', from + size);
    return feed < 0 ? bytes.size() : feed + 1;
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
    // The grammar is checked: the text is ASCII. from_chars reads it without a locale or a
    // copy of the whole line; only a value out of range goes the slower way, to tell too large
    // from too small.
    char buffer[64];
    const qsizetype skip = t[0] == u'+' ? 1 : 0; // from_chars takes no plus sign
    if (n - skip <= qsizetype(sizeof buffer)) {
        for (qsizetype k = skip; k < n; ++k)
            buffer[k - skip] = char(t[k].unicode());
        double value = 0.0;
        const auto [end, error] = std::from_chars(buffer, buffer + (n - skip), value);
        if (error == std::errc() && end == buffer + (n - skip)) {
            *out = value;
            return Number::Ok;
        }
    }
    bool ok = false;
    const double value = t.toDouble(&ok);
    if (!std::isfinite(value))
        return Number::TooLarge;
    *out = ok ? value : 0.0; // a well-formed number Qt cannot hold is one too small: 0
    return Number::Ok;
}

} // namespace csv

namespace {

bool unwritable(char16_t c)
{
    return (c < 0x20 && c != u'\t') || c == 0xFFFE || c == 0xFFFF;
}

} // namespace

qsizetype csv::firstUnwritable(QStringView text)
{
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x20 && c < 0xD800)
            continue; // nearly every character of every name
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 < n && QChar::isLowSurrogate(text[i + 1].unicode())) {
                ++i; // a whole pair
                continue;
            }
            return i;
        }
        if (QChar::isLowSurrogate(c) || unwritable(c))
            return i;
    }
    return -1;
}

int csv::replaceUnwritable(QString *text)
{
    qsizetype i = firstUnwritable(*text);
    if (i < 0)
        return -1;
    const int first = text->at(i).unicode();
    const qsizetype n = text->size();
    for (; i < n; ++i) {
        const char16_t c = text->at(i).unicode();
        bool bad = unwritable(c);
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 < n && QChar::isLowSurrogate(text->at(i + 1).unicode())) {
                ++i; // a whole pair
                continue;
            }
            bad = true;
        } else if (QChar::isLowSurrogate(c)) {
            bad = true;
        }
        if (bad)
            (*text)[i] = QChar::ReplacementCharacter;
    }
    return first;
}
