#include "controlanchors.h"

#include <QWidget>

ControlAnchors::ControlAnchors(QWidget *container)
    : container(container), firstSize(container->parentWidget()->size())
{
    // Which edges each control follows: right or bottom (moves with it), and whether it
    // stretches with the width or the height. The others keep to the top left.
    struct Rule
    {
        const char *name;
        bool right, bottom, wide, tall;
    };
    static constexpr Rule rules[] = {
        {"frame_2", false, false, false, true},       // the left panel
        {"frame_3", false, true, true, false},        // the bottom panel
        {"tableViewRoad", false, true, true, false},  // the route table, on it
        {"comboBoxTime", true, true, false, false},   // beside the table
        {"label_2", true, true, false, false},        // the credits
        {"comboBoxInfo", true, false, false, false},  // the weather chooser
        {"pushButtonMore", true, true, false, false}, // by the map's corner
        {"pushButtonLess", true, true, false, false},
        {"labelStatus", false, true, false, false}, // what was just done, at the map's foot
    };
    for (const Rule &rule : rules)
        if (auto *control = container->findChild<QWidget *>(QLatin1String(rule.name)))
            anchors.push_back(
                {control, control->geometry(), rule.right, rule.bottom, rule.wide, rule.tall});
}

void ControlAnchors::apply(QSize size) const
{
    // The frame covers the window, its border at the window's edges as at the first size.
    const QSize grown = size.expandedTo(firstSize);
    container->setGeometry(-1, -1, grown.width() + 1, grown.height() + 1);
    const int dx = grown.width() - firstSize.width(), dy = grown.height() - firstSize.height();
    for (const Anchor &a : anchors)
        a.control->setGeometry(
            a.first.x() + (a.right ? dx : 0), a.first.y() - a.raised + (a.bottom ? dy : 0),
            a.first.width() + (a.wide ? dx : 0), a.first.height() + a.raised + (a.tall ? dy : 0));
}

void ControlAnchors::raiseTop(const QWidget *control, int pixels)
{
    for (Anchor &a : anchors)
        if (a.control == control)
            a.raised = pixels;
}
