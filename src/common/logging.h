#pragma once

#include <QLoggingCategory>

// Debug lines of the program, quiet unless asked for, e.g.
//   QT_LOGGING_RULES="gps.*.debug=true" gps
// Problems with the data are warnings: they are always shown.
Q_DECLARE_LOGGING_CATEGORY(lcModel)   // gps.model: reading the network
Q_DECLARE_LOGGING_CATEGORY(lcWindow)  // gps.window: routes and tables of the window
Q_DECLARE_LOGGING_CATEGORY(lcWeather) // gps.weather: weather requests and replies
