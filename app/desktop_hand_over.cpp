#include "app/desktop_hand_over.h"

#include "app/ui_style.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace tandrel {

namespace {

// A callback that runs only while `parent` still exists: the opener may
// answer after the window that asked is gone.
DesktopOpener::Settled whileAlive(QWidget *parent, std::function<void(std::optional<OpenFailure>)> then)
{
    QPointer<QWidget> guard(parent);
    const bool hadParent = parent != nullptr;
    return [guard, hadParent, then = std::move(then)](std::optional<OpenFailure> failure) {
        if (hadParent && !guard)
            return;
        then(failure);
    };
}

} // namespace

void DesktopHandOver::open(DesktopOpener &opener, const QString &path, Target target, QWidget *parent,
                           std::function<void()> done, const QString &heading)
{
    DesktopOpener *openerPtr = &opener;
    opener.openAndReport(path,
                         whileAlive(parent, [openerPtr, path, target, parent, done, heading](auto failure) {
                             if (failure)
                                 failureAlert(*openerPtr, path, target, *failure, parent, heading);
                             else if (done)
                                 done();
                         }));
}

void DesktopHandOver::showInFileManager(DesktopOpener &opener, const QString &path, QWidget *parent,
                                        std::function<void()> done, const QString &heading)
{
    const QString folder = QFileInfo(QDir::cleanPath(path)).absolutePath();
    DesktopOpener *openerPtr = &opener;
    opener.openAndReport(folder, whileAlive(parent, [openerPtr, path, parent, done, heading](auto failure) {
                             if (failure)
                                 failureAlert(*openerPtr, path, Target::folder, *failure, parent, heading);
                             else if (done)
                                 done();
                         }));
}

QString DesktopHandOver::reason(OpenFailure failure, Target target)
{
    const bool file = target == Target::file;
    switch (failure) {
    case OpenFailure::noOpener:
        return QCoreApplication::translate(
                "tandrel::DesktopHandOver",
                "Das Programm xdg-open, mit dem der Desktop Dateien öffnet, fehlt oder "
                "startet nicht.");
    case OpenFailure::notFound:
        return file
                ? QCoreApplication::translate("tandrel::DesktopHandOver", "Die Datei wurde nicht gefunden.")
                : QCoreApplication::translate("tandrel::DesktopHandOver", "Der Ordner wurde nicht gefunden.");
    case OpenFailure::noProgram:
        return file
                ? QCoreApplication::translate("tandrel::DesktopHandOver",
                                              "Auf diesem Desktop ist kein Programm für diese Art von Datei "
                                              "eingerichtet.")
                : QCoreApplication::translate("tandrel::DesktopHandOver",
                                              "Auf diesem Desktop ist kein Dateimanager eingerichtet.");
    case OpenFailure::refused:
        return file ? QCoreApplication::translate(
                       "tandrel::DesktopHandOver",
                       "Das Programm, das die Datei öffnen sollte, hat einen Fehler gemeldet.")
                    : QCoreApplication::translate("tandrel::DesktopHandOver",
                                                  "Der Dateimanager hat einen Fehler gemeldet.");
    }
    return {};
}

QMessageBox *DesktopHandOver::failureAlert(DesktopOpener &opener, const QString &path, Target target,
                                           OpenFailure failure, QWidget *parent, const QString &heading)
{
    const QString title = heading.isEmpty()
            ? QCoreApplication::translate("tandrel::DesktopHandOver", "Öffnen fehlgeschlagen")
            : heading;
    auto *alert = new QMessageBox(QMessageBox::Warning, title, title, QMessageBox::NoButton, parent);
    alert->setObjectName(QStringLiteral("openFailureAlert"));
    alert->setInformativeText(reason(failure, target) + QLatin1Char('\n')
                              + QDir::toNativeSeparators(QDir::cleanPath(path)));
    QPushButton *show = nullptr;
    if (target == Target::file) {
        show = alert->addButton(
                QCoreApplication::translate("tandrel::DesktopHandOver", "Im Dateimanager zeigen"),
                QMessageBox::ActionRole);
        show->setObjectName(QStringLiteral("showInFileManager"));
    }
    QPushButton *ok = alert->addButton(QCoreApplication::translate("tandrel::DesktopHandOver", "OK"),
                                       QMessageBox::RejectRole);
    alert->setDefaultButton(ok);
    alert->setEscapeButton(ok);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    ui::styleMessageBox(alert);
    // The path can be copied from the alert.
    if (auto *label = alert->findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    DesktopOpener *openerPtr = &opener;
    QObject::connect(alert, &QMessageBox::finished, alert, [alert, show, openerPtr, path, parent] {
        if (show && alert->clickedButton() == show)
            showInFileManager(*openerPtr, path, parent);
    });
    alert->open();
    return alert;
}

} // namespace tandrel
