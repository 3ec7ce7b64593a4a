#include "capture/screen_cast_portal.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <QLoggingCategory>

#include <atomic>
#include <fcntl.h>
#include <unistd.h>

namespace tandrel {

namespace {

Q_LOGGING_CATEGORY(portalLog, "tandrel.capture.portal", QtInfoMsg)

// The last part of a request's or session's object path. Numbered for the
// whole process, not per portal: the object paths a portal makes from them
// are per bus connection, and a session being closed still holds its path
// while the next portal of the same process asks for one.
quint64 nextToken()
{
    static std::atomic<quint64> last{0};
    return ++last;
}

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString screenCastInterface = QStringLiteral("org.freedesktop.portal.ScreenCast");

// Values of the ScreenCast interface.
constexpr uint monitorSource = 1;
constexpr uint cursorHidden = 1;
constexpr uint persistUntilRevoked = 2;

QString pathText(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

// The first stream of a Start response: its node and properties.
bool readFirstStream(const QVariant &streams, quint32 *node, QVariantMap *properties)
{
    if (streams.metaType() != QMetaType::fromType<QDBusArgument>())
        return false;
    const QDBusArgument argument = streams.value<QDBusArgument>();
    bool found = false;
    argument.beginArray();
    while (!argument.atEnd()) {
        uint id = 0;
        QVariantMap props;
        argument.beginStructure();
        argument >> id >> props;
        argument.endStructure();
        if (!found) {
            *node = id;
            *properties = props;
            found = true;
        }
    }
    argument.endArray();
    return found;
}

// A pair of integers ("(ii)") of a stream property.
std::optional<std::pair<int, int>> readPair(const QVariant &value)
{
    if (value.metaType() != QMetaType::fromType<QDBusArgument>())
        return std::nullopt;
    const QDBusArgument argument = value.value<QDBusArgument>();
    int a = 0, b = 0;
    argument.beginStructure();
    argument >> a >> b;
    argument.endStructure();
    return std::pair(a, b);
}

} // namespace

ScreenCastPortal::ScreenCastPortal(QObject *parent) : QObject(parent)
{ }

ScreenCastPortal::~ScreenCastPortal()
{
    unsubscribeRequest();
    closeSession();
}

bool ScreenCastPortal::isWaylandSession()
{
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
            || qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
}

void ScreenCastPortal::requestMonitor(const QString &restoreToken)
{
    unsubscribeRequest();
    closeSession();
    m_restoreToken = restoreToken;
    const QString sessionToken = QStringLiteral("tandrel_session%1").arg(nextToken());
    if (!call(Step::createSession, QStringLiteral("CreateSession"), {},
              {{QStringLiteral("session_handle_token"), sessionToken}}))
        fail();
}

void ScreenCastPortal::closeSession()
{
    if (m_session.isEmpty())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.disconnect(QString(), m_session, QStringLiteral("org.freedesktop.portal.Session"),
                   QStringLiteral("Closed"), this, SLOT(onSessionClosed()));
    bus.asyncCall(QDBusMessage::createMethodCall(portalService, m_session,
                                                 QStringLiteral("org.freedesktop.portal.Session"),
                                                 QStringLiteral("Close")));
    m_session.clear();
}

// Subscribes to the Response of the Request object the call will create
// before making the call, so that an answer given at once is not missed.
bool ScreenCastPortal::call(Step step, const QString &method, const QVariantList &arguments,
                            const QVariantMap &options)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    const QString handleToken = QStringLiteral("tandrel%1").arg(nextToken());
    QString sender = bus.baseService().mid(1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    m_requestPath = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, handleToken);
    bus.connect(QString(), m_requestPath, QStringLiteral("org.freedesktop.portal.Request"),
                QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap)));
    m_step = step;

    QVariantMap withToken = options;
    withToken.insert(QStringLiteral("handle_token"), handleToken);
    QDBusMessage message
            = QDBusMessage::createMethodCall(portalService, portalPath, screenCastInterface, method);
    message.setArguments(QVariantList(arguments) << withToken);
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, step](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *w;
        if (m_step != step)
            return;
        if (reply.isError()) {
            qCWarning(portalLog).noquote() << "the portal did not answer" << reply.error().name()
                                           << reply.error().message();
            fail();
            return;
        }
        // Portals older than the handle_token convention choose their own path.
        const QString path = reply.value().path();
        if (path != m_requestPath) {
            unsubscribeRequest();
            m_step = step;
            m_requestPath = path;
            QDBusConnection::sessionBus().connect(
                    QString(), path, QStringLiteral("org.freedesktop.portal.Request"),
                    QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap)));
        }
    });
    return true;
}

void ScreenCastPortal::unsubscribeRequest()
{
    if (!m_requestPath.isEmpty())
        QDBusConnection::sessionBus().disconnect(
                QString(), m_requestPath, QStringLiteral("org.freedesktop.portal.Request"),
                QStringLiteral("Response"), this, SLOT(onResponse(uint, QVariantMap)));
    m_requestPath.clear();
    m_step = Step::idle;
}

void ScreenCastPortal::onResponse(uint response, const QVariantMap &results)
{
    const Step step = m_step;
    unsubscribeRequest();
    if (response != 0) {
        // 1: the user cancelled the dialog; 2: the portal ended the request otherwise.
        qCInfo(portalLog) << "the portal refused, response" << response;
        fail();
        return;
    }
    switch (step) {
    case Step::createSession:
        m_session = pathText(results.value(QStringLiteral("session_handle")));
        if (m_session.isEmpty()) {
            fail();
            return;
        }
        QDBusConnection::sessionBus().connect(QString(), m_session,
                                              QStringLiteral("org.freedesktop.portal.Session"),
                                              QStringLiteral("Closed"), this, SLOT(onSessionClosed()));
        selectSources();
        break;
    case Step::selectSources:
        startStream();
        break;
    case Step::start:
        finishGrant(results);
        break;
    case Step::idle:
        break;
    }
}

void ScreenCastPortal::selectSources()
{
    QVariantMap options{{QStringLiteral("types"), monitorSource},
                        {QStringLiteral("multiple"), false},
                        {QStringLiteral("cursor_mode"), cursorHidden},
                        {QStringLiteral("persist_mode"), persistUntilRevoked}};
    if (!m_restoreToken.isEmpty())
        options.insert(QStringLiteral("restore_token"), m_restoreToken);
    if (!call(Step::selectSources, QStringLiteral("SelectSources"),
              {QVariant::fromValue(QDBusObjectPath(m_session))}, options))
        fail();
}

void ScreenCastPortal::startStream()
{
    if (!call(Step::start, QStringLiteral("Start"),
              {QVariant::fromValue(QDBusObjectPath(m_session)), QString()}, {}))
        fail();
}

// The stream is granted; the PipeWire remote is opened at once (the portal
// answers this call directly, without a Request).
void ScreenCastPortal::finishGrant(const QVariantMap &results)
{
    quint32 node = 0;
    QVariantMap properties;
    if (!readFirstStream(results.value(QStringLiteral("streams")), &node, &properties)) {
        fail();
        return;
    }
    QDBusMessage open = QDBusMessage::createMethodCall(portalService, portalPath, screenCastInterface,
                                                       QStringLiteral("OpenPipeWireRemote"));
    open.setArguments({QVariant::fromValue(QDBusObjectPath(m_session)), QVariantMap()});
    const QDBusMessage reply = QDBusConnection::sessionBus().call(open, QDBus::Block, 10000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        fail();
        return;
    }
    const auto descriptor = reply.arguments().constFirst().value<QDBusUnixFileDescriptor>();
    const int fd = descriptor.isValid() ? fcntl(descriptor.fileDescriptor(), F_DUPFD_CLOEXEC, 3) : -1;
    if (fd < 0) {
        fail();
        return;
    }
    auto remote = std::make_shared<PipeWireRemote>();
    remote->fd = fd;
    remote->nodeID = node;

    PortalGrant grant;
    grant.remote = remote;
    if (const auto size = readPair(properties.value(QStringLiteral("size"))))
        grant.size = QSize(size->first, size->second);
    if (const auto position = readPair(properties.value(QStringLiteral("position"))))
        grant.position = QPoint(position->first, position->second);
    grant.restoreToken = results.value(QStringLiteral("restore_token")).toString();
    emit granted(grant);
}

void ScreenCastPortal::fail()
{
    unsubscribeRequest();
    closeSession();
    emit refused();
}

void ScreenCastPortal::onSessionClosed()
{
    QDBusConnection::sessionBus().disconnect(QString(), m_session,
                                             QStringLiteral("org.freedesktop.portal.Session"),
                                             QStringLiteral("Closed"), this, SLOT(onSessionClosed()));
    m_session.clear();
    emit sessionClosed();
}

} // namespace tandrel
