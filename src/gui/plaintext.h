#pragma once

#include <QMessageBox>
#include <QString>

// Names, credits, file paths and replies come from files and the network. Qt reads any text that
// looks like markup as HTML (an <img> loads whatever path it names, from a device or a pipe too),
// so such text is shown as it is written, never interpreted.

// A tooltip of that text: unchanged where Qt would show it as it is, escaped otherwise.
QString plainToolTip(const QString &text);

// QMessageBox::information/warning, with the text shown as it is written.
void plainMessage(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                  const QString &text);
