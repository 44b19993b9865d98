#include "panel.h"

#include <QApplication>
#include <QEvent>
#include <QKeySequence>
#include <QPointer>
#include <QRect>
#include <QShortcut>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace {

// Keeps the panel its form's size at the window's smallest size, and grows it, its widgets using
// the room, by what the window has grown beyond that.
class Cover : public QObject
{
public:
    Cover(QWidget *panel, const QList<QWidget *> &growing, const QList<QWidget *> &following,
          const QList<QWidget *> &widening)
        : QObject(panel), panel(panel), form(panel->size()), before(QApplication::focusWidget())
    {
        for (QWidget *w : growing)
            placed.push_back({w, w->geometry(), Grows});
        for (QWidget *w : following)
            placed.push_back({w, w->geometry(), Follows});
        for (QWidget *w : widening)
            placed.push_back({w, w->geometry(), Widens});
        if (QWidget *parent = panel->parentWidget()) {
            parent->installEventFilter(this);
            fit();
        }
        panel->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == panel->parentWidget() && event->type() == QEvent::Resize)
            fit();
        // Closed, it gives the keys back where they were when it opened, not to the next
        // control in the Tab order.
        if (watched == panel && event->type() == QEvent::Hide &&
            (panel->hasFocus() || panel->isAncestorOf(QApplication::focusWidget())) && before &&
            before->isVisible() && before->isEnabled())
            before->setFocus(Qt::OtherFocusReason);
        return false;
    }

private:
    void fit()
    {
        const QWidget *parent = panel->parentWidget();
        // Room beyond the window's smallest size (where the form is as it always was).
        const QSize first = form.expandedTo(parent->minimumSize());
        const int dx = std::max(0, parent->width() - first.width()),
                  dy = std::max(0, parent->height() - first.height());
        panel->resize(form + QSize(dx, dy));
        for (const Placed &p : placed)
            p.widget->setGeometry(p.how == Grows    ? p.first.adjusted(0, 0, dx, dy)
                                  : p.how == Widens ? p.first.adjusted(0, 0, dx, 0)
                                                    : p.first.translated(dx, dy));
    }

    enum How
    {
        Grows,
        Follows, // the lower right corner
        Widens,
    };
    struct Placed
    {
        QWidget *widget;
        QRect first; // where the form puts it
        How how;
    };
    QWidget *panel;
    QSize form;
    QPointer<QWidget> before;
    std::vector<Placed> placed;
};

} // namespace

void setUpPanel(QWidget *panel, std::function<void()> onReturn, const QList<QWidget *> &growing,
                const QList<QWidget *> &following, const QList<QWidget *> &widening)
{
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setFocusPolicy(Qt::StrongFocus);
    new Cover(panel, growing, following, widening);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), panel);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(escape, &QShortcut::activated, panel, &QWidget::close);
    if (!onReturn)
        onReturn = [panel] { panel->close(); };
    for (const int key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto *shortcut = new QShortcut(QKeySequence(key), panel);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        QObject::connect(shortcut, &QShortcut::activated, panel, onReturn);
    }
}
