#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

// Text conventions shared by the city and road files.
namespace csv {

// UTF-8 without a leading byte-order mark; invalid sequences become U+FFFD.
QString decode(const QByteArray &bytes);

// Where the next block of whole lines ends: about `size` bytes on from `from`, after a line
// feed (or at the end). A line feed is never part of a longer UTF-8 sequence, so each block
// decodes as it would within the whole.
qsizetype blockEnd(QByteArrayView bytes, qsizetype from, qsizetype size);

// Hands take(line, number) each line of decode(bytes), numbered from 1, without its terminator:
// lines end with LF, CR LF or a lone CR (old Mac files); a terminator at the very end makes no
// extra line; an empty text has no line. The text is decoded a block of lines at a time, so
// that a large file is never held whole as UTF-16 beside its bytes. The lines handed are views
// that hold until `blockDone()` is called, after each block's last line.
// (forEachLineOf: the same on text without a byte-order mark to pass over, such as a part of
// a file.)
template <typename Take, typename Done>
void forEachLineOf(QByteArrayView view, Take take, Done blockDone)
{
    int number = 0;
    for (qsizetype from = 0; from < view.size();) {
        const qsizetype end = blockEnd(view, from, qsizetype(1) << 20);
        const QString text = QString::fromUtf8(view.sliced(from, end - from));
        from = end;
        const qsizetype size = text.size();
        const QChar *chars = text.constData();
        qsizetype start = 0;
        for (qsizetype i = 0; i < size; ++i) {
            const char16_t c = chars[i].unicode();
            if (c != u'\n' && c != u'\r')
                continue;
            take(QStringView(chars + start, i - start), ++number);
            if (c == u'\r' && i + 1 < size && chars[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
        if (start < size) // the last line, without a terminator
            take(QStringView(chars + start, size - start), ++number);
        blockDone();
    }
}

template <typename Take, typename Done>
void forEachLine(const QByteArray &bytes, Take take, Done blockDone)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    forEachLineOf(view, take, blockDone);
}

template <typename Take> void forEachLine(const QByteArray &bytes, Take take)
{
    forEachLine(bytes, take, [] {});
}

// Replaces by U+FFFD each character that XML, and so GPX, cannot hold (control characters
// other than TAB, U+FFFE, U+FFFF, a half of a surrogate pair alone); returns the first one
// replaced, or -1 when there was none.
int replaceUnwritable(QString *text);
// Where the first of those characters is, or -1.
qsizetype firstUnwritable(QStringView text);

enum class Number
{
    Ok,
    NotANumber,
    TooLarge
};

// A decimal number in the C locale form [sign] digits [. digits] [e [sign] digits], with
// white space around it allowed; "nan", "inf", hex and the like are not numbers. A value too
// small for a double reads as 0; one too large is refused. *out is set only on Ok.
Number parseNumber(QStringView text, double *out);

} // namespace csv
