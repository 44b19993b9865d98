#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <functional>
#include <memory>

// The test function (and data row) running now.
inline QByteArray runningTest()
{
    return QByteArray(QTest::currentTestFunction()) + '/' + QByteArray(QTest::currentDataTag());
}

// Where keys typed into `window` go: its focused widget. The window manager may not have made
// it the active window yet (activation lags on a loaded machine), and then the application
// has no focus widget, though the window knows which of its widgets will take the keys.
inline QWidget *keysTarget(QWidget *window)
{
    QWidget *focused = QApplication::focusWidget();
    if (focused && focused->window() == window->window())
        return focused;
    QWidget *own = window->window()->focusWidget();
    return own ? own : window;
}

// Runs `act` on the next modal dialog of type Dialog once it is up (QInputDialog::getText,
// QMessageBox::information...), from inside the dialog's own event loop. An answer that no
// dialog of its test took is dropped when the test ends, not given to a later test's dialog.
template <class Dialog> void onNextModal(std::function<void(Dialog *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, act, test = runningTest()] {
        if (runningTest() != test) {
            timer->stop();
            timer->deleteLater();
            return;
        }
        if (auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        }
    });
    timer->start();
}

// A modal dialog that nothing answers would hold the test until ctest kills it. Any modal
// dialog still up after a quarter of the time a test function may take (a few seconds; more
// in a sanitizer build, whose tests may run longer) fails the running test, naming what it
// says, and is closed so that the test goes on to its end.
inline void startModalWatchdog()
{
    auto *timer = new QTimer(qApp);
    timer->setInterval(100);
    auto seen = std::make_shared<QPointer<QWidget>>();
    auto since = std::make_shared<QElapsedTimer>();
    const qint64 patience =
        std::max(3000, qEnvironmentVariableIntValue("QTEST_FUNCTION_TIMEOUT") / 4);
    QObject::connect(timer, &QTimer::timeout, [seen, since, patience] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal != *seen) {
            *seen = modal;
            since->start();
            return;
        }
        if (!modal || since->elapsed() < patience)
            return;
        QString text = modal->windowTitle();
        if (auto *box = qobject_cast<QMessageBox *>(modal))
            text += QStringLiteral(": ") + box->text();
        else if (auto *input = qobject_cast<QInputDialog *>(modal))
            text += QStringLiteral(": ") + input->labelText();
        const QByteArray message =
            QStringLiteral("unexpected modal dialog \"%1\"").arg(text).toUtf8();
        *seen = nullptr;
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
        QTest::qFail(message.constData(), __FILE__, __LINE__);
    });
    timer->start();
}
Q_COREAPP_STARTUP_FUNCTION(startModalWatchdog)
