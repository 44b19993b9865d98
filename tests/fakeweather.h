#pragma once

#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpSocket>

#include <memory>

// A stand-in for the weather service on 127.0.0.1, over TLS with a certificate made for the
// test. It answers every request the way `mode` says.
class FakeService : public QObject
{
public:
    enum Mode
    {
        Weather,
        NotFound,
        Drop,
        Silent
    };
    Mode mode = Weather;
    QList<QByteArray> targets; // request targets received, "/data/2.5/weather?q=..."
    QByteArray body;
    QByteArray refusedKey; // a key answered as the service answers a wrong one

    // Makes a throw-away certificate for 127.0.0.1 in `dir` (with the openssl command), has
    // this process trust it, and listens.
    bool startTrusted(const QString &dir)
    {
        QProcess openssl;
        openssl.start("openssl",
                      {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "1", "-subj",
                       "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-keyout",
                       dir + "/key.pem", "-out", dir + "/cert.pem"});
        if (!openssl.waitForFinished(60000) || openssl.exitCode() != 0) {
            qWarning("openssl: %s", openssl.readAllStandardError().constData());
            return false;
        }
        QFile certFile(dir + "/cert.pem"), keyFile(dir + "/key.pem");
        if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly))
            return false;
        const QSslCertificate cert(&certFile, QSsl::Pem);
        const QSslKey key(&keyFile, QSsl::Rsa, QSsl::Pem);
        if (cert.isNull() || key.isNull())
            return false;
        QSslConfiguration trust = QSslConfiguration::defaultConfiguration();
        trust.addCaCertificate(cert);
        QSslConfiguration::setDefaultConfiguration(trust);
        return start(cert, key);
    }

    bool start(const QSslCertificate &cert, const QSslKey &key)
    {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setLocalCertificate(cert);
        tls.setPrivateKey(key);
        tls.setPeerVerifyMode(QSslSocket::VerifyNone);
        server.setSslConfiguration(tls);
        connect(&server, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket *socket = server.nextPendingConnection())
                serve(socket);
        });
        return server.listen(QHostAddress::LocalHost, 0);
    }
    int port() const { return server.serverPort(); }

private:
    void serve(QTcpSocket *socket)
    {
        auto request = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
            *request += socket->readAll();
            if (!request->contains("\r\n\r\n"))
                return;
            targets << request->split(' ').value(1);
            if (!refusedKey.isEmpty() && targets.last().contains("&appid=" + refusedKey + '&')) {
                reply(socket, "401 Unauthorized",
                      R"({"cod":401,"message":"Invalid API key. Please see the FAQ."})");
                return;
            }
            switch (mode) {
            case Silent:
                return;
            case Drop:
                socket->abort();
                return;
            case NotFound:
                reply(socket, "404 Not Found", R"({"cod":"404","message":"city not found"})");
                return;
            case Weather:
                reply(socket, "200 OK", body);
                return;
            }
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

    static void reply(QTcpSocket *socket, const QByteArray &status, const QByteArray &content)
    {
        socket->write(
            "HTTP/1.1 " + status + "\r\nContent-Type: application/json\r\nContent-Length: " +
            QByteArray::number(content.size()) + "\r\nConnection: close\r\n\r\n" + content);
        socket->disconnectFromHost();
    }

    QSslServer server;
};
