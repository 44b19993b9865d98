#pragma once

#include "city.h"
#include "routeplan.h"

#include <QCoreApplication>
#include <QStringList>

#include <vector>

class Network;
class QWidget;

// The question "cities" asks: the cities of a route, to visit in order ("Brest Rennes Paris",
// names with spaces as they are or in double quotes, commas too).
class CityPrompt
{
    Q_DECLARE_TR_FUNCTIONS(CityPrompt)

public:
    // Asks for the names, offering those of `completions` (where given) as they are typed.
    // Unknown names are reported with the closest names, and the text comes back for
    // correction. Returns the names typed: fewer than two (Cancel gives none) make no route.
    // With `order`, the dialog also offers the order to visit them in, starting at *order and
    // set to the choice. With `history`, Up in the text brings back the lists of *history
    // (oldest first), and a list that makes a route is added to it.
    static QStringList ask(QWidget *parent, const Network &network, const QStringList &completions,
                           RouteOrder *order = nullptr, QStringList *history = nullptr);
    static constexpr int kListsKept = 50;
};
