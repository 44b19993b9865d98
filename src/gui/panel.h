#pragma once

#include <functional>

class QWidget;

// What the panels drawn inside the window share (the travel-time tables, the weather): each
// hides all it covers, the whole window behind it whatever its size (never less than its own
// form), and Return or Escape closes it as its button does. `onReturn` replaces closing on
// Return where the panel has a field that takes it.
void setUpPanel(QWidget *panel, std::function<void()> onReturn = {});
