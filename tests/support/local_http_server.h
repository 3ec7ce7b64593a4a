#pragma once

// Test helper: an HTTP/1.1 server on 127.0.0.1 that answers GET requests for
// the paths it was given, in the calling thread's event loop. A response can
// come slowly (in pieces with a pause between them), announce more bytes than
// it sends (a connection that breaks), or send the client elsewhere.

#include <QHash>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>


namespace tandrel::testing {

struct HttpResponse
{
    int status = 200;
    QByteArray body;
    // Sent in pieces of this many bytes with `pauseMs` between them; 0: at once.
    qsizetype pieceBytes = 0;
    int pauseMs = 0;
    // Announced in Content-Length; the connection closes after `body` even
    // when more was announced. Negative: the body's size.
    qint64 announcedBytes = -1;
    QByteArray location; // for a redirect

    static HttpResponse ok(QByteArray body, qsizetype pieceBytes = 0, int pauseMs = 0)
    {
        HttpResponse r;
        r.body = std::move(body);
        r.pieceBytes = pieceBytes;
        r.pauseMs = pauseMs;
        return r;
    }
    static HttpResponse error(int status)
    {
        HttpResponse r;
        r.status = status;
        r.body = "error";
        return r;
    }
    static HttpResponse redirect(QByteArray location)
    {
        HttpResponse r;
        r.status = 302;
        r.location = std::move(location);
        return r;
    }
    // Announces `announced` bytes and breaks off after `body`.
    static HttpResponse broken(QByteArray body, qint64 announced)
    {
        HttpResponse r;
        r.body = std::move(body);
        r.announcedBytes = announced;
        return r;
    }
};

class LocalHttpServer : public QObject
{
public:
    LocalHttpServer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }

    bool isListening() const { return m_server.isListening(); }
    QString url(const QString &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }
    void respond(const QString &path, HttpResponse response) { m_responses.insert(path, std::move(response)); }
    int requests(const QString &path) const { return m_requests.value(path); }
    // Closes every connection that is still sending.
    void dropConnections()
    {
        for (const QPointer<QTcpSocket> &s : std::as_const(m_sockets))
            if (s)
                s->abort();
    }

private:
    void serve(QTcpSocket *socket)
    {
        m_sockets.append(socket);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            m_request[socket] += socket->readAll();
            if (!m_request[socket].contains("\r\n\r\n"))
                return;
            const QList<QByteArray> line = m_request.take(socket).split('\n').first().split(' ');
            const QString path = line.size() > 1 ? QString::fromLatin1(line[1]) : QString();
            ++m_requests[path];
            send(socket, m_responses.value(path, HttpResponse::error(404)));
        });
    }

    void send(QTcpSocket *socket, const HttpResponse &r)
    {
        const qint64 announced = r.announcedBytes < 0 ? r.body.size() : r.announcedBytes;
        QByteArray head = "HTTP/1.1 " + QByteArray::number(r.status) + (r.status < 400 ? " OK" : " Error")
                + "\r\nContent-Length: " + QByteArray::number(announced) + "\r\nConnection: close\r\n";
        if (!r.location.isEmpty())
            head += "Location: " + r.location + "\r\n";
        socket->write(head + "\r\n");
        // The pieces go out from the socket's own timer, so that a socket
        // that closes takes them along.
        auto *timer = new QTimer(socket);
        timer->setInterval(r.pauseMs);
        const qsizetype piece = r.pieceBytes > 0 ? r.pieceBytes : std::max<qsizetype>(1, r.body.size());
        connect(timer, &QTimer::timeout, socket, [socket, timer, rest = r.body, piece]() mutable {
            socket->write(rest.left(piece));
            rest.remove(0, std::min(piece, rest.size()));
            if (rest.isEmpty()) {
                timer->stop();
                socket->disconnectFromHost();
            }
        });
        timer->start();
    }

    QTcpServer m_server;
    QHash<QString, HttpResponse> m_responses;
    QHash<QString, int> m_requests;
    QHash<QTcpSocket *, QByteArray> m_request;
    QList<QPointer<QTcpSocket>> m_sockets;
};

} // namespace tandrel::testing
