#pragma once

#include <QString>

// Where a network's data comes from and under what licence, as its folder says it in
// `credits.txt` (UTF-8 text): the first line that is not blank is the short credit the map
// shows, the whole file (up to kMostBytes) what About shows. Without the file, both are empty.
struct NetworkCredit
{
    static constexpr qint64 kMostBytes = 4096;
    static constexpr int kMostLineCharacters = 120;
    bool given = false; // the folder has the file, even one that says nothing
    QString line;       // one line, without control characters, cut to kMostLineCharacters
    QString text;       // the file's text, cut to kMostBytes
};

NetworkCredit readNetworkCredit(const QString &dir);

// A folder that has the file but says nothing in its first kMostBytes: no credit to show, and
// not the shipped networks' either.
inline bool creditMissing(const NetworkCredit &credit)
{
    return credit.given && credit.line.isEmpty();
}

// What `gpsnet` writes: the credit of data from OpenStreetMap, and of a generated network.
QString openStreetMapCredit();
QString generatedCredit();
