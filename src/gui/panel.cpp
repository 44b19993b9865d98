#include "panel.h"

#include <QEvent>
#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

namespace {

// Keeps the panel as large as its parent, and at least as large as its form.
class Cover : public QObject
{
public:
    Cover(QWidget *panel) : QObject(panel), panel(panel), form(panel->size())
    {
        if (QWidget *parent = panel->parentWidget()) {
            parent->installEventFilter(this);
            fit();
        }
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == panel->parentWidget() && event->type() == QEvent::Resize)
            fit();
        return false;
    }

private:
    void fit() { panel->resize(form.expandedTo(panel->parentWidget()->size())); }

    QWidget *panel;
    QSize form;
};

} // namespace

void setUpPanel(QWidget *panel, std::function<void()> onReturn)
{
    panel->setAttribute(Qt::WA_DeleteOnClose);
    panel->setAutoFillBackground(true); // it hides what it covers
    panel->setFocusPolicy(Qt::StrongFocus);
    new Cover(panel);
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
