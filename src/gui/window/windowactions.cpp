#include "windowactions.h"

#include "citysearch.h"
#include "fileactions.h"
#include "mapcontroller.h"
#include "plaintext.h"
#include "routeplan.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>

WindowActions::WindowActions(QWidget *window, QList<QWidget *> menuBox, RoutePlan *plan,
                             FileActions *files, MapController *map,
                             std::function<QStringList()> cityNames,
                             std::function<void()> preferences)
    : QObject(window), window(window), menuBox(std::move(menuBox)), plan(plan), files(files),
      map(map), cityNames(std::move(cityNames)), applicationMenu(new QMenu(window))
{
    applicationMenu->setObjectName(QStringLiteral("applicationMenu"));
    add(tr("Find a city..."), QKeySequence::Find, [this] { findCity(); });
    add(tr("Swap start and end"), QKeySequence(Qt::CTRL | Qt::Key_R),
        [this] { this->plan->reverse(); });
    add(tr("Clear the route"), QKeySequence(Qt::CTRL | Qt::Key_Delete),
        [this] { this->plan->clear(); });
    applicationMenu->addSeparator();
    applicationMenu->addActions(
        {files->copyAction(), files->saveAction(), files->saveMapAction(), files->openAction()});
    if (files->importAction())
        applicationMenu->addAction(files->importAction());
    applicationMenu->addSeparator();
    add(tr("Preferences..."), QKeySequence(Qt::CTRL | Qt::Key_Comma), std::move(preferences))
        ->setMenuRole(QAction::PreferencesRole);
    add(tr("Help"), QKeySequence::HelpContents, [this] { showHelp(); });
    add(tr("About GPS"), QKeySequence(), [this] { showAbout(); });
    add(tr("Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), [this] { this->window->close(); });
    // The box at the top left looks like a button: it opens the menu, and so does F10.
    for (QWidget *box : this->menuBox) {
        box->installEventFilter(this);
        box->setCursor(Qt::PointingHandCursor);
        box->setToolTip(tr("Menu (F10)"));
    }
    // The first box is in the Tab order, first, through a widget of no size that takes the
    // keys for it (a label that takes the focus itself lays its text out otherwise, a pixel
    // higher): Return, Space or Down opens the menu.
    if (!this->menuBox.isEmpty()) {
        keys = new QWidget(this->menuBox.constFirst());
        keys->setObjectName(QStringLiteral("menuKeys"));
        keys->setFocusPolicy(Qt::TabFocus);
        keys->setAccessibleName(tr("Menu (F10)"));
        keys->resize(0, 0);
        keys->installEventFilter(this);
    }
    auto *open = new QAction(tr("This program's menu"), this);
    open->setShortcut(QKeySequence(Qt::Key_F10));
    connect(open, &QAction::triggered, this,
            [this] { applicationMenu->popup(this->window->mapToGlobal(QPoint(20, 92))); });
    window->addAction(open);
}

QAction *WindowActions::add(const QString &text, const QKeySequence &key,
                            const std::function<void()> &run)
{
    QAction *action = applicationMenu->addAction(text);
    action->setShortcut(key);
    connect(action, &QAction::triggered, this, run);
    window->addAction(action); // the key works anywhere in the window
    return action;
}

bool WindowActions::eventFilter(QObject *watched, QEvent *event)
{
    auto *first = menuBox.isEmpty() ? nullptr : menuBox.constFirst();
    if (watched == keys &&
        (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        // Framed while it has the keys, as a button would be; as it always was otherwise.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        first->setStyleSheet(
            event->type() == QEvent::FocusIn &&
                    (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason)
                ? QStringLiteral("QLabel { border: 1px dotted palette(highlight); }")
                : QString());
        return false;
    }
    if (watched == keys && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space ||
            key == Qt::Key_Down) {
            applicationMenu->popup(first->mapToGlobal(QPoint(0, first->height())));
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton &&
        menuBox.contains(qobject_cast<QWidget *>(watched))) {
        const QWidget *box = menuBox.constFirst();
        applicationMenu->popup(box->mapToGlobal(QPoint(0, box->height())));
        return true;
    }
    return false;
}

void WindowActions::findCity()
{
    const QStringList names = cityNames();
    QInputDialog dialog(window);
    dialog.setWindowTitle(tr("Find a city"));
    dialog.setLabelText(tr("City (any part of its name):"));
    dialog.setTextValue(QString()); // (makes the dialog's field, which the search belongs to)
    if (auto *edit = dialog.findChild<QLineEdit *>()) {
        // A name taken from the offers is the answer: one Return, not two.
        auto *search = new CitySearch(names, edit);
        connect(search, qOverload<const QModelIndex &>(&QCompleter::activated), &dialog,
                &QDialog::accept);
    }
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The name as typed, else the first that holds it.
    const QString typed = dialog.textValue().trimmed();
    const QStringList found =
        names.contains(typed) ? QStringList{typed} : namesHolding(names, typed);
    if (found.isEmpty()) {
        plainMessage(window, QMessageBox::Information, tr("GPS"),
                     tr("No city's name holds \"%1\".").arg(typed));
        return;
    }
    map->selectCity(plan->network().lastIndexOf(found.constFirst()), true);
    map->focusTarget()->setFocus(); // B, E, W and the menu act on it from here
}

QString WindowActions::helpText() const
{
    // The keys are listed from the actions and the map's own list, so the page cannot drift
    // from what the keys do.
    QString rows;
    const auto row = [&](const QString &keys, QString what) {
        what.remove(QLatin1Char('&'));
        if (what.endsWith(QLatin1String("...")))
            what.chop(3);
        rows += QStringLiteral("<tr><td><b>%1</b>&nbsp;&nbsp;</td><td>%2</td></tr>")
                    .arg(keys.toHtmlEscaped(), what.toHtmlEscaped());
    };
    for (const QAction *action : window->actions())
        if (!action->shortcut().isEmpty() && !action->text().isEmpty())
            row(action->shortcut().toString(QKeySequence::NativeText), action->text());
    row(tr("Tab"), tr("The next control, in reading order (arrows move inside the route table)"));
    row(tr("Return, Escape"), tr("Close a table or the weather"));
    row(tr("Up, Down"), tr("In \"cities\": the lists typed before"));
    QString mapRows;
    std::swap(rows, mapRows);
    for (const MapController::KeyHelp &k : MapController::keyHelp())
        row(k.keys, k.what);
    std::swap(rows, mapRows);
    return tr("<p><b>GPS</b> finds the fastest route between the cities of a road network: "
              "choose a departure and an arrival, or type a list of cities (<i>cities</i>). The "
              "table under the map gives the time of each leg.</p>"
              "<p><b>Files</b>: a network is a folder with <tt>villes.csv</tt> (a header line, "
              "then <tt>id,name,region,latitude,longitude</tt>) and <tt>temps.csv</tt> "
              "(<tt>city,city,minutes</tt>, a road both ways).</p>") +
           QStringLiteral("<p><b>%1</b></p><table>%2</table><p><b>%3</b></p><table>%4</table>")
               .arg(tr("Keys"), rows,
                    tr("On the map (Tab reaches it; B, E, W and R act on the "
                       "city found with Ctrl+F or clicked)"),
                    mapRows);
}

void WindowActions::showHelp()
{
    // A page that scrolls, no taller than the window (a message box grows with its text).
    QDialog dialog(window);
    dialog.setObjectName(QStringLiteral("help"));
    dialog.setWindowTitle(tr("GPS help"));
    auto *page = new QTextBrowser(&dialog);
    page->setObjectName(QStringLiteral("helpText"));
    page->setOpenLinks(false);
    page->setHtml(helpText());
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(page);
    layout->addWidget(buttons);
    dialog.resize(std::min(560, window->width()), std::max(200, window->height() - 60));
    dialog.exec();
}

void WindowActions::showCredit(QLabel *notice)
{
    if (formNotice.isNull())
        formNotice = notice->text();
    const NetworkCredit &credit = files->networkCredit();
    // On a ground of its own: readable wherever the map is moved under it.
    notice->setAutoFillBackground(true);
    const QString missing = tr("Credits missing: this folder's credits.txt is blank");
    notice->setWordWrap(!credit.line.isEmpty() || creditMissing(credit));
    notice->setText(creditMissing(credit)   ? missing
                    : credit.line.isEmpty() ? formNotice
                                            : credit.line);
    notice->setTextFormat(Qt::PlainText);
    notice->setToolTip(plainToolTip(credit.text));
}

void WindowActions::showAbout()
{
    // The network's own credits where its folder gives them; the shipped networks' otherwise.
    const NetworkCredit &credit = files->networkCredit();
    const QString network =
        creditMissing(credit) ? tr("This network: its folder's credits.txt names no source.")
        : credit.text.isEmpty()
            ? tr("Cities: GeoNames (CC BY 4.0).")
            : tr("This network: %1")
                  .arg(credit.text.toHtmlEscaped().replace(u'\n', QStringLiteral("<br>")));
    QMessageBox::about(window, tr("About GPS"),
                       tr("<p><b>GPS</b> %1 — a route planner for road networks of your own.</p>"
                          "<p>%3</p><p>Land and borders: Natural Earth (public domain). "
                          "Weather: OpenWeatherMap. Built with Qt %2.</p>")
                           .arg(QApplication::applicationVersion().isEmpty()
                                    ? QStringLiteral(GPS_VERSION)
                                    : QApplication::applicationVersion(),
                                QString::fromLatin1(qVersion()), network));
}
