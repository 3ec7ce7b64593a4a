// A stand-in for xdg-desktop-portal on a private session bus: the ScreenCast
// calls with their Request objects and Response signals, one shared monitor
// whose picture is a test pattern published into a private PipeWire daemon,
// and a control interface (org.tandrel.FakePortal) through which tests make
// the "dialog" refuse, end the stream, count the dialogs shown, and choose
// when the monitor sends pictures and which colour it shows.
//
// Without a session manager nothing links a consumer to the pattern, so this
// process links every input port that appears to the pattern's output while
// a stream is shared, as the desktop's session manager would.
//
// The pattern is published from this process, so that a test can change its
// size mid-stream (SetSize), as a shared monitor changing its resolution does:
// the same stream renegotiates its format with the consumer.

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QDeadlineTimer>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QSize>
#include <QThread>
#include <QTimer>

#include "pattern_stream.h"

#include <array>
#include <memory>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// The portal's D-Bus structures of two fields: a size or position (ii), a
// stream (ua{sv}).
template<typename A, typename B> struct Pair
{
    A first{};
    B second{};
};
using IntPair = Pair<int, int>;
using PortalStream = Pair<uint, QVariantMap>; // node, properties
Q_DECLARE_METATYPE(IntPair)
Q_DECLARE_METATYPE(PortalStream)

template<typename A, typename B> QDBusArgument &operator<<(QDBusArgument &a, const Pair<A, B> &p)
{
    a.beginStructure();
    a << p.first << p.second;
    a.endStructure();
    return a;
}
template<typename A, typename B> const QDBusArgument &operator>>(const QDBusArgument &a, Pair<A, B> &p)
{
    a.beginStructure();
    a >> p.first >> p.second;
    a.endStructure();
    return a;
}

namespace {

const char *patternNode = "tandrel-test-screen";
const QString issuedToken = QStringLiteral("tandrel-fake-restore-token");

QString requestPath(const QDBusMessage &message, const QVariantMap &options)
{
    QString sender = message.service().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
            .arg(sender, options.value(QStringLiteral("handle_token")).toString());
}

QByteArray run(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    p.waitForFinished(10000);
    return p.readAllStandardOutput();
}

// The node id of the pattern on the PipeWire daemon, 0 while it is not there.
uint findPatternNode()
{
    const QJsonArray objects = QJsonDocument::fromJson(run(QStringLiteral("pw-dump"), {})).array();
    for (const QJsonValue &v : objects) {
        const QJsonObject o = v.toObject();
        const QJsonObject props
                = o.value(QStringLiteral("info")).toObject().value(QStringLiteral("props")).toObject();
        if (o.value(QStringLiteral("type")).toString().endsWith(QLatin1String("Node"))
            && props.value(QStringLiteral("node.name")).toString() == QLatin1String(patternNode))
            return uint(o.value(QStringLiteral("id")).toInt());
    }
    return 0;
}

} // namespace

class FakePortal : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.ScreenCast")

public:
    FakePortal()
    {
        m_linker.setInterval(200);
        connect(&m_linker, &QTimer::timeout, this, &FakePortal::linkInputs);
    }

    ~FakePortal() override { endStream(); }

    QString mode = QStringLiteral("grant");
    int dialogs = 0;
    QString lastRestoreToken;

    // Ends the shared stream as a user stopping the sharing in the desktop would.
    void endStream()
    {
        m_linker.stop();
        m_producer.reset();
        for (const QString &session : std::as_const(m_sessions)) {
            QDBusMessage closed = QDBusMessage::createSignal(
                    session, QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Closed"));
            closed << QVariantMap();
            QDBusConnection::sessionBus().send(closed);
        }
        m_sessions.clear();
    }

public slots:
    QDBusObjectPath CreateSession(const QVariantMap &options, const QDBusMessage &message)
    {
        const QString session
                = QStringLiteral("/org/freedesktop/portal/desktop/session/%1/%2")
                          .arg(++m_counter)
                          .arg(options.value(QStringLiteral("session_handle_token")).toString());
        m_sessions.insert(session);
        return respond(requestPath(message, options), 0, {{QStringLiteral("session_handle"), session}});
    }

    QDBusObjectPath SelectSources(const QDBusObjectPath &, const QVariantMap &options,
                                  const QDBusMessage &message)
    {
        m_restoreToken = options.value(QStringLiteral("restore_token")).toString();
        lastRestoreToken = m_restoreToken;
        const bool monitorOnly = options.value(QStringLiteral("types")).toUInt() == 1;
        const bool noCursor = options.value(QStringLiteral("cursor_mode")).toUInt() == 1;
        const bool persistent = options.value(QStringLiteral("persist_mode")).toUInt() == 2;
        return respond(requestPath(message, options), monitorOnly && noCursor && persistent ? 0 : 2, {});
    }

    QDBusObjectPath Start(const QDBusObjectPath &, const QString &, const QVariantMap &options,
                          const QDBusMessage &message)
    {
        const QString path = requestPath(message, options);
        if (m_restoreToken != issuedToken) {
            ++dialogs;
            if (mode == QLatin1String("refuse"))
                return respond(path, 1, {});
        }
        const uint node = startPattern();
        if (node == 0)
            return respond(path, 2, {});
        PortalStream stream{
                node,
                {{QStringLiteral("size"), QVariant::fromValue(IntPair{m_size.width(), m_size.height()})},
                 {QStringLiteral("position"), QVariant::fromValue(IntPair{0, 0})},
                 {QStringLiteral("source_type"), 1u}}};
        m_linker.start();
        return respond(path, 0,
                       {{QStringLiteral("streams"), QVariant::fromValue(QList<PortalStream>{stream})},
                        {QStringLiteral("restore_token"), issuedToken}});
    }

    QDBusUnixFileDescriptor OpenPipeWireRemote(const QDBusObjectPath &, const QVariantMap &)
    {
        const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray socketPath = qgetenv("XDG_RUNTIME_DIR") + "/pipewire-0";
        qstrncpy(address.sun_path, socketPath.constData(), sizeof(address.sun_path));
        if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0) {
            ::close(fd);
            return {};
        }
        QDBusUnixFileDescriptor descriptor(fd); // holds a duplicate
        ::close(fd);
        return descriptor;
    }

private:
    QDBusObjectPath respond(const QString &path, uint code, const QVariantMap &results)
    {
        // After the method's reply, as the real portal answers.
        QTimer::singleShot(0, this, [path, code, results] {
            QDBusMessage response = QDBusMessage::createSignal(
                    path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
            response << code << results;
            QDBusConnection::sessionBus().send(response);
        });
        return QDBusObjectPath(path);
    }

public:
    // The shared monitor changes its resolution: the pattern goes on at the
    // new size. Also the size the next stream starts with.
    void setSize(const QSize &size)
    {
        m_size = size;
        if (m_producer)
            m_producer->setSize(size);
    }
    // When pictures are sent, for this and every later stream: "every-cycle"
    // (the default), "on-change" (as a compositor sends them) or "never".
    bool setSending(const QString &sending)
    {
        static const QHash<QString, PatternStream::Sending> modes{
                {QStringLiteral("every-cycle"), PatternStream::Sending::everyCycle},
                {QStringLiteral("on-change"), PatternStream::Sending::onChange},
                {QStringLiteral("never"), PatternStream::Sending::never}};
        if (!modes.contains(sending))
            return false;
        m_sending = modes.value(sending);
        if (m_producer)
            m_producer->setSending(m_sending);
        return true;
    }
    // The monitor shows another colour from now on.
    void setColour(int red, int green, int blue)
    {
        m_colour = {red, green, blue};
        if (m_producer)
            m_producer->setColour(quint8(red), quint8(green), quint8(blue));
    }

private:
    // Publishes a green picture as a PipeWire video source.
    uint startPattern()
    {
        if (!m_producer) {
            m_producer = std::make_unique<PatternStream>(patternNode, m_size);
            if (!m_producer->isConnected())
                return 0;
            m_producer->setSending(m_sending);
            m_producer->setColour(quint8(m_colour[0]), quint8(m_colour[1]), quint8(m_colour[2]));
        }
        const QDeadlineTimer deadline(20000);
        while (!deadline.hasExpired()) {
            if (const uint node = findPatternNode())
                return node;
            QThread::msleep(50);
        }
        return 0;
    }

    // Links the pattern to every input port; a link that exists already is
    // refused by pw-link. (Port ids are reused after a consumer restarts, so
    // remembering them would miss the new port.)
    void linkInputs()
    {
        const QList<QByteArray> lines
                = run(QStringLiteral("pw-link"), {QStringLiteral("-I"), QStringLiteral("-i")}).split('\n');
        for (const QByteArray &line : lines) {
            const QList<QByteArray> parts = line.simplified().split(' ');
            if (parts.size() < 2)
                continue;
            QProcess::execute(QStringLiteral("pw-link"),
                              {QStringLiteral("%1:out_0").arg(QLatin1String(patternNode)),
                               QString::fromUtf8(parts[0])});
        }
    }

    std::unique_ptr<PatternStream> m_producer;
    QSize m_size{1920, 1080};
    PatternStream::Sending m_sending = PatternStream::Sending::everyCycle;
    std::array<int, 3> m_colour{0x20, 0xc0, 0x40}; // green
    QTimer m_linker;
    QSet<QString> m_sessions;
    QString m_restoreToken;
    int m_counter = 0;
};

class FakePortalControl : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.tandrel.FakePortal")

public:
    explicit FakePortalControl(FakePortal &portal) : m_portal(portal) { }

public slots:
    // "grant" or "refuse": what the dialog answers when no valid token skips it.
    void SetMode(const QString &mode) { m_portal.mode = mode; }
    void EndStream() { m_portal.endStream(); }
    void SetSize(int width, int height) { m_portal.setSize(QSize(width, height)); }
    bool SetSending(const QString &sending) { return m_portal.setSending(sending); }
    void SetColour(int red, int green, int blue) { m_portal.setColour(red, green, blue); }
    int Dialogs() { return m_portal.dialogs; }
    QString LastRestoreToken() { return m_portal.lastRestoreToken; }

private:
    FakePortal &m_portal;
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qDBusRegisterMetaType<IntPair>();
    qDBusRegisterMetaType<PortalStream>();
    qDBusRegisterMetaType<QList<PortalStream>>();
    FakePortal portal;
    FakePortalControl control(portal);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                            QDBusConnection::ExportAllSlots)
        || !bus.registerObject(QStringLiteral("/org/tandrel/FakePortal"), &control,
                               QDBusConnection::ExportAllSlots)
        || !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")))
        return 1;
    return app.exec();
}

#include "fake_screen_cast_portal.moc"
