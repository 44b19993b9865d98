#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QNetworkReply;

namespace Ui {
class Info;
}

// A panel with the current weather of one city, fetched from the weather service when the
// panel is made. It is freed when closed, with any request still in flight.
class Info : public QWidget
{
    Q_OBJECT

public:
    Info(QWidget *parent, QString cityName);
    ~Info() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void chargeJSON(QString cityName);
    void on_pushButtonLeave_clicked();

private:
    void showProblem(const QString &problem);
    void showFigures(bool shown); // the rows under the description
    // Without a key, or with one the service refused: says `why`, with a field to type one in.
    void askForKey(const QString &why);
    void takeKey(); // the key typed, used
    void placeKeyRow();

    QPointer<QNetworkReply> inFlight; // the request not answered yet

    QLabel *desc;
    QLabel *temp;
    QLabel *temp_ress;
    QLabel *humide;
    QLabel *vent_vitesse;
    QLabel *vent_direction;
    QLabel *pluie;
    QLabel *heure_soleil_leve;
    QLabel *heure_soleil_couche;
    QLabel *nom_ville;
    QLabel *problemLabel = nullptr; // why there are no figures
    QWidget *keyRow = nullptr;      // the key typed in, while there is none that serves
    QLineEdit *keyEdit = nullptr;
    Ui::Info *ui;
    QString cityName;
};
