#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

// Text conventions shared by the city and road files.
namespace csv {

// UTF-8 without a leading byte-order mark; invalid sequences become U+FFFD.
QString decode(const QByteArray &bytes);

// Lines ended by LF or CR LF, without their terminators (a CR before the end is dropped too). A
// terminator at the very end makes no extra line; an empty text has no line. The views point into
// `text`.
QList<QStringView> splitLines(QStringView text);

// A decimal number in the C locale form [sign] digits [. digits] [e [sign] digits], with
// white space around it allowed. False (and *out untouched) for anything else, "nan" and
// "inf" included, and for a value too large for a double.
bool parseNumber(QStringView text, double *out);

} // namespace csv
