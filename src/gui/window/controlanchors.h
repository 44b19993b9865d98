#pragma once

#include <QRect>
#include <QSize>

#include <vector>

class QWidget;

// Keeps the window's controls in place as the window grows. At the first size each is where
// the form puts it; larger, each keeps its distance to its corner or edge: the left panel on
// the left and as tall as the window allows, the bottom panel and the route table along the
// bottom and as wide as it allows, the weather chooser and the credits on the right, the zoom
// buttons by the map's lower right corner. The map has what is left.
class ControlAnchors
{
public:
    // `container`: the widget that holds the form's frame, covering the window; the controls
    // are the frame's children, named as the form names them.
    explicit ControlAnchors(QWidget *container);

    // Places the controls for a window of `size` (no smaller than the first size: a smaller
    // window shows the first size's layout, cut).
    void apply(QSize size) const;
    // `control` taller by `pixels`, upward (0: as the form has it); applied with the next size.
    void raiseTop(const QWidget *control, int pixels);

private:
    struct Anchor
    {
        QWidget *control;
        QRect first; // where the form puts it
        bool right, bottom, wide, tall;
        int raised = 0;
    };
    QWidget *container;
    QSize firstSize;
    std::vector<Anchor> anchors;
};
