#include "info.h"

#include "logging.h"
#include "panel.h"
#include "ui_info.h"
#include "weather.h"

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPushButton>

namespace {

int openPanels = 0; // weather panels alive: the shared manager's connections serve them

} // namespace

Info::Info(QWidget *parent, QString cityName)
    : QWidget(parent, Qt::WindowFlags()), ui(new Ui::Info), cityName(std::move(cityName))
{
    ++openPanels;
    // The reply is handled from the event loop, once the labels below exist. Without a key the
    // service can only refuse: nothing is asked.
    const bool keyed = !weatherKey(weatherService()).isEmpty();
    if (keyed)
        chargeJSON(this->cityName);
    ui->setupUi(this);

    QLabel **labels[] = {&desc,
                         &temp,
                         &temp_ress,
                         &humide,
                         &vent_vitesse,
                         &vent_direction,
                         &pluie,
                         &heure_soleil_leve,
                         &heure_soleil_couche,
                         &nom_ville};
    for (QLabel **label : labels) {
        *label = new QLabel();
        (*label)->setTextFormat(Qt::PlainText); // the reply's words, as it gives them
    }
    ui->infosLayout->addRow(tr("description : "), desc);
    ui->infosLayout->addRow(tr("° Temperature : "), temp);
    ui->infosLayout->addRow(tr("° Felt Temperature : "), temp_ress);
    ui->infosLayout->addRow(tr("% Humidity : "), humide);
    ui->infosLayout->addRow(tr("Wind Speed : "), vent_vitesse);
    ui->infosLayout->addRow(tr("Wind Direction : "), vent_direction);
    ui->infosLayout->addRow(tr("Rain : "), pluie);
    ui->infosLayout->addRow(tr("Sunrise Time : "), heure_soleil_leve);
    ui->infosLayout->addRow(tr("Sunset Time : "), heure_soleil_couche);
    ui->titleLayout->addRow(tr("City : "), nom_ville);
    // A failure's reason can be long: it wraps, in the room of the missing figures.
    problemLabel = new QLabel(this);
    problemLabel->setObjectName(QStringLiteral("labelProblem"));
    problemLabel->setGeometry(ui->formLayoutWidget->geometry());
    problemLabel->setWordWrap(true);
    problemLabel->setTextFormat(Qt::PlainText);
    problemLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    problemLabel->hide();
    // Return in the key's field uses the key; anywhere else it closes the panel. In a window
    // grown beyond its smallest size, the box of figures takes the room to the right and below.
    setUpPanel(this,
               [this] {
                   if (keyEdit && keyEdit->hasFocus())
                       takeKey();
                   else
                       close();
               },
               {ui->listView, ui->formLayoutWidget, problemLabel}, {}, {ui->formLayoutWidget_2});
    ui->listView->installEventFilter(this); // the key's row stays under it
    if (!keyed)
        askForKey(tr("no key for the weather service. Get a free key from OpenWeatherMap and "
                     "type it below, or start GPS with the environment variable "
                     "OPENWEATHER_API_KEY set to it."));
}

void Info::askForKey(const QString &why)
{
    showProblem(why);
    if (keyRow) {
        keyEdit->clear();
        keyRow->show();
        setFocusProxy(keyEdit);
        if (hasFocus() || isAncestorOf(QApplication::focusWidget()))
            keyEdit->setFocus();
        return;
    }
    // Under the panel's figures: the key, hidden as it is typed, and the button that uses it.
    keyRow = new QWidget(this);
    placeKeyRow();
    auto *row = new QHBoxLayout(keyRow);
    row->setContentsMargins(0, 0, 0, 0);
    keyEdit = new QLineEdit(keyRow);
    keyEdit->setObjectName(QStringLiteral("lineEditKey"));
    keyEdit->setEchoMode(QLineEdit::Password);
    keyEdit->setPlaceholderText(tr("weather service key"));
    keyEdit->setAccessibleName(tr("Weather service key"));
    auto *use = new QPushButton(tr("Use this key"), keyRow);
    use->setObjectName(QStringLiteral("pushButtonKey"));
    row->addWidget(keyEdit);
    row->addWidget(use);
    connect(use, &QPushButton::clicked, this, &Info::takeKey);
    keyRow->show();
    setFocusProxy(keyEdit); // the panel's focus is the key's field
}

bool Info::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->listView && keyRow &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        placeKeyRow();
    return QWidget::eventFilter(watched, event);
}

void Info::placeKeyRow()
{
    // Under the box of figures, as wide, however large it has grown.
    const QRect box = ui->listView->geometry();
    keyRow->setGeometry(box.left(), box.bottom() + 10, box.width(), 30);
}

void Info::takeKey()
{
    if (keyEdit->text().trimmed().isEmpty())
        return;
    useWeatherKey(weatherService(), keyEdit->text());
    setFocusProxy(nullptr);
    setFocus();
    keyRow->hide();
    desc->clear();
    showFigures(true);
    chargeJSON(cityName);
}

void Info::showProblem(const QString &problem)
{
    // Nothing of a failed request is shown as if it had been measured; the city asked for is.
    for (QLabel *label : {temp, temp_ress, humide, vent_vitesse, vent_direction,
                          heure_soleil_couche, heure_soleil_leve, pluie})
        label->clear();
    nom_ville->setText(cityName);
    desc->setText(tr("Weather unavailable: %1").arg(problem));
    showFigures(false);
}

void Info::showFigures(bool shown)
{
    // A problem is said in a label of its own over the figures' place, not in the form: Qt 6.4's
    // QFormLayout, laid out with hidden rows beside a wrapped text, writes past its buffers.
    for (int row = 0; row < ui->infosLayout->rowCount(); ++row)
        for (const auto role : {QFormLayout::LabelRole, QFormLayout::FieldRole})
            if (QLayoutItem *item = ui->infosLayout->itemAt(row, role); item && item->widget())
                item->widget()->setVisible(shown);
    problemLabel->setVisible(!shown);
    problemLabel->setText(shown ? QString() : desc->text());
}

Info::~Info()
{
    // The request goes with the panel, its answer unread: nothing of it reaches a panel half
    // destroyed.
    if (inFlight) {
        disconnect(inFlight, nullptr, this, nullptr);
        inFlight->abort();
        inFlight->deleteLater();
    }
    // With the last panel gone, its connections (and the manager's network thread, with the
    // TLS state it holds) go too, rather than linger until the program ends.
    if (--openPanels == 0)
        weatherNetwork().clearConnectionCache();
    delete ui;
}

void Info::chargeJSON(QString cityName)
{
    const WeatherService &service = weatherService();
    QNetworkRequest request(weatherUrl(service, cityName));
    request.setTransferTimeout(service.timeoutMs);
    qCDebug(lcWeather) << "asking" << service.host << "for the weather of" << cityName;
    QNetworkReply *reply = weatherNetwork().get(request);
    inFlight = reply;
    // Handled by this panel only while it lives: the manager outlives it.
    connect(
        reply, &QNetworkReply::finished, this,
        [this, reply, timeoutMs = service.timeoutMs] {
            const QByteArray body = reply->readAll();
            const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            QString transport;
            const bool timedOut = reply->error() == QNetworkReply::OperationCanceledError;
            if (timedOut)
                transport = tr("no answer within %1 s").arg(timeoutMs / 1000.0);
            else if (reply->error() != QNetworkReply::NoError && status == 0)
                transport = reply->errorString();
            const QString problem = weatherProblem(body, status, transport);
            qCDebug(lcWeather) << "answer: HTTP status" << status << "," << body.size() << "bytes"
                               << (problem.isEmpty() ? QString() : problem);
            if (!problem.isEmpty()) {
                // What the user can do first, the reason below it; a refused key can be
                // changed here.
                const QString why = weatherAdvice(body, status, transport, timedOut) +
                                    QStringLiteral("\n(") + problem + u')';
                keyRefused(body, status) ? askForKey(why) : showProblem(why);
            } else {
                const WeatherTexts t = readWeather(body, weatherService().windInKmh);
                temp->setText(t.temperature);
                temp_ress->setText(t.feltTemperature);
                humide->setText(t.humidity);
                desc->setText(t.description);
                vent_vitesse->setText(t.windSpeed);
                vent_direction->setText(t.windDirection);
                heure_soleil_couche->setText(t.sunset);
                heure_soleil_leve->setText(t.sunrise);
                nom_ville->setText(t.city);
                pluie->setText(t.rain);
            }
            reply->deleteLater();
        },
        Qt::DirectConnection);
}

void Info::on_pushButtonLeave_clicked()
{
    close();
}
