#pragma once

// What the tests of the main window share: small networks written to a folder, choices made
// in the boxes, the window's picture and the wheel over it.

#include "Window.h"
#include "infinity.h"
#include "mappacing.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include <limits>

namespace windowtest {

// Map positions: X (425.5, 250.9), Y (475, 275), Z (450, 300), V (400, 225), W (550, 250).
inline const QByteArray kCities =
    "id,name,dept,lat,lon\n"
    "1,Y,0,45,7\n2,X,0,45.964,5.02\n3,Z,0,44,6\n4,V,0,47,4\n5,W,0,46,10\n";
inline const QByteArray kRoads = "X,Y,30\nY,Z,45\nX,Z,90\nV,X,125\n";

// Three cities of the United States, outside the first view of France: the window fits them.
// Map units: Denver (-2200, 400), Chicago (-1950, 525), Atlanta (-1700, 650).
inline const QByteArray kUsCities =
    "id,name,dept,lat,lon\n1,Denver,CO,40,-100\n2,Atlanta,GA,30,-80\n3,Chicago,IL,35,-90\n";
inline const QByteArray kUsRoads = "Denver,Chicago,600\nChicago,Atlanta,500\n";

// A network folder `name` in `root` holding the two files.
inline QString network(const QTemporaryDir &root, const QString &name, const QByteArray &cities,
                       const QByteArray &roads)
{
    QDir(root.path()).mkpath(name);
    for (const auto &[file, bytes] :
         {std::pair{"villes.csv", cities}, std::pair{"temps.csv", roads}}) {
        QFile f(root.filePath(name + "/" + file));
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write test data");
    }
    return root.filePath(name);
}

// Shown and made the active window (its shortcuts work there only); false where it does not
// become active.
inline bool shownActive(QWidget &w)
{
    w.show();
    w.activateWindow();
    return QTest::qWaitForWindowActive(&w);
}

// Chooses `text` in the combo box `box`, as a user would.
inline void choose(Fenetre &w, const char *box, const QString &text)
{
    auto *combo = w.findChild<QComboBox *>(box);
    const int index = combo->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    combo->setCurrentIndex(index);
}

inline QImage picture(QWidget &w)
{
    return w.grab().toImage();
}

// The wheel turned by `angle` eighths of a degree over `at`. (A real wheel event over the map
// reaches the window through the frames above it, which ignore it; a sent one is not passed
// on.)
inline void wheel(QWidget &w, QPointF at, int angle)
{
    QWheelEvent e(at, w.mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(&w, &e);
}

// The base of the window tests: a folder for their networks, and the map paced so that what
// they read off it does not depend on the machine's speed (every layer drawn anew at every step,
// the view resting at the next turn of the event loop).
class WindowTest : public QObject
{
protected:
    QTemporaryDir dir;

    QString network(const QString &name, const QByteArray &cities, const QByteArray &roads)
    {
        return windowtest::network(dir, name, cities, roads);
    }

    static void steadyPace()
    {
        mapPacing().frameMs = kInf;
        mapPacing().restMs = 0;
    }
};

} // namespace windowtest
