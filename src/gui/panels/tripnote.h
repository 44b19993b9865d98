#pragma once

#include "routeplan.h"

#include <QLabel>

// What the best order of a typed route found, in the left panel while that route is on show:
// the time it saves on the order typed, the cities no road reaches, those typed twice.
class TripNote : public QLabel
{
    Q_OBJECT

public:
    explicit TripNote(QWidget *parent);

    // Shown for `trip`, times in `unit` ("mn", "h", "h:mm"); hidden without one.
    void showTrip(const std::optional<RoutePlan::TripResult> &trip, const QString &unit);
};
