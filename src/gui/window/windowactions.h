#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class FileActions;
class MapController;
class QAction;
class QLabel;
class QMenu;
class QWidget;
class RoutePlan;

// The window's commands beyond its controls, each an action with its key, in one place: the
// application menu that the "GPS" box at the top left opens (F10 too) lists them with the
// file actions'.
class WindowActions : public QObject
{
    Q_OBJECT

public:
    // `menuBox`: the widgets that open the menu when clicked (the "GPS" box); `cityNames`: the
    // network's names, each once, in the order to offer them; `preferences`: opens the
    // Preferences.
    WindowActions(QWidget *window, QList<QWidget *> menuBox, RoutePlan *plan, FileActions *files,
                  MapController *map, std::function<QStringList()> cityNames,
                  std::function<void()> preferences);

    QMenu *menu() const { return applicationMenu; }
    // What takes the keys for the menu's box, in the window's Tab order.
    QWidget *menuKeys() const { return keys; }

    // Asks for a city by any part of its name, then centres the map on it and marks it.
    void findCity();
    void showHelp();
    // The help page: what GPS does, its files, and every key.
    QString helpText() const;
    void showAbout();
    // The network's own credit in `notice` where its folder gives one; the form's otherwise.
    void showCredit(QLabel *notice);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QAction *add(const QString &text, const QKeySequence &key, const std::function<void()> &run);

    QWidget *window;
    QList<QWidget *> menuBox;
    RoutePlan *plan;
    FileActions *files;
    MapController *map;
    std::function<QStringList()> cityNames;
    QMenu *applicationMenu;
    QWidget *keys = nullptr;
    QString formNotice; // the credits the form shows, for a network whose folder gives none
};
