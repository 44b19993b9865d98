#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Runs `act` on the next modal dialog of type Dialog once it is up (QInputDialog::getText,
// QMessageBox::information...), from inside the dialog's own event loop.
template <class Dialog> void onNextModal(std::function<void(Dialog *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        }
    });
    timer->start();
}
