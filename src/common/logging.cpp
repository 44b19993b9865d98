#include "logging.h"

Q_LOGGING_CATEGORY(lcModel, "gps.model", QtInfoMsg)
Q_LOGGING_CATEGORY(lcWindow, "gps.window", QtInfoMsg)
Q_LOGGING_CATEGORY(lcWeather, "gps.weather", QtInfoMsg)
