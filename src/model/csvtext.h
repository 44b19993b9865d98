#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

// Text conventions shared by the city and road files.
namespace csv {

// UTF-8 without a leading byte-order mark; invalid sequences become U+FFFD.
QString decode(const QByteArray &bytes);

// Lines ended by LF, CR LF or a lone CR (old Mac files), without their terminators. A
// terminator at the very end makes no extra line; an empty text has no line. The views point
// into `text`.
QList<QStringView> splitLines(QStringView text);

// Replaces by U+FFFD each character that XML, and so GPX, cannot hold (control characters
// other than TAB, U+FFFE, U+FFFF, a half of a surrogate pair alone); returns the first one
// replaced, or -1 when there was none.
int replaceUnwritable(QString *text);

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
