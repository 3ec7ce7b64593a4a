#pragma once

#include "capture/screen_capture_source.h"

#include <QObject>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QVariantMap>
#include <memory>

namespace tandrel {

// What the desktop portal handed out for one shared monitor.
struct PortalGrant
{
    std::shared_ptr<const PipeWireRemote> remote; // the PipeWire connection and the stream's node
    QSize size; // the monitor in pixels, as the portal reports it
    QPoint position; // its place on the desktop; (0, 0) when not reported
    QString restoreToken; // lets the next start skip the dialog; empty when none was given
};

// The ScreenCast interface of xdg-desktop-portal on the session bus: asks the
// user (or a restore token) for one monitor without cursor and opens the
// PipeWire remote for its stream. Main thread only; one request at a time,
// each call answered through the portal's Request object.
class ScreenCastPortal : public QObject
{
    Q_OBJECT

public:
    explicit ScreenCastPortal(QObject *parent = nullptr);
    ~ScreenCastPortal() override;

    // True when the desktop runs Wayland, where an X11 grab sees nothing of
    // it, whichever Qt platform plugin this process uses.
    static bool isWaylandSession();

    // Asks for a monitor; a token of an earlier grant lets the portal skip
    // its dialog. Ends in `granted` or `refused`; a request still running is
    // dropped first.
    void requestMonitor(const QString &restoreToken);
    // Ends the shared stream, if any.
    void closeSession();
    bool hasSession() const { return !m_session.isEmpty(); }

signals:
    void granted(const tandrel::PortalGrant &grant);
    // The dialog was refused or closed, or no portal answered.
    void refused();
    // The portal ended the shared stream (the user stopped sharing).
    void sessionClosed();

private slots:
    void onResponse(uint response, const QVariantMap &results);
    void onSessionClosed();

private:
    enum class Step { idle, createSession, selectSources, start };

    bool call(Step step, const QString &method, const QVariantList &arguments, const QVariantMap &options);
    void selectSources();
    void startStream();
    void finishGrant(const QVariantMap &results);
    void fail();
    void unsubscribeRequest();

    Step m_step = Step::idle;
    QString m_restoreToken;
    QString m_requestPath; // the Request object whose Response is awaited
    QString m_session; // object path of the portal session; empty without one
};

} // namespace tandrel
