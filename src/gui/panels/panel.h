#pragma once

#include <QList>

#include <functional>

class QWidget;

// What the panels drawn inside the window share (the travel-time tables, the weather): each
// hides all it covers, the whole window behind it whatever its size (never less than its own
// form), and Return or Escape closes it as its button does. `onReturn` replaces closing on
// Return where the panel has a field that takes it. In a window larger than the form, the
// `growing` widgets take the extra room (at the form's size, each is where the form puts it)
// and the `following` ones keep their distance to the lower right corner; the `widening` ones
// take the extra width only.
void setUpPanel(QWidget *panel, std::function<void()> onReturn = {},
                const QList<QWidget *> &growing = {}, const QList<QWidget *> &following = {},
                const QList<QWidget *> &widening = {});
