#include "app/ui_style.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QPalette>
#include <cmath>

namespace tandrel::ui {

QFont font(TextRole role, bool semibold)
{
    QFont f = role == TextRole::Monospaced ? QFontDatabase::systemFont(QFontDatabase::FixedFont)
                                           : QApplication::font();
    const qreal base = QApplication::font().pointSizeF() > 0 ? QApplication::font().pointSizeF() : 10;
    switch (role) {
    case TextRole::Body:
    case TextRole::Monospaced:
        f.setPointSizeF(base);
        break;
    case TextRole::Headline:
        f.setPointSizeF(base * 1.1);
        f.setWeight(QFont::Bold);
        break;
    case TextRole::Title2:
        f.setPointSizeF(base * 1.6);
        break;
    case TextRole::Callout:
        f.setPointSizeF(base * 0.95);
        break;
    case TextRole::Caption:
        f.setPointSizeF(base * 0.85);
        break;
    case TextRole::Caption2:
        f.setPointSizeF(base * 0.78);
        break;
    }
    if (semibold)
        f.setWeight(QFont::DemiBold);
    return f;
}

QColor secondaryColor()
{
    QColor c = QApplication::palette().color(QPalette::WindowText);
    c.setAlphaF(0.55);
    return c;
}

QColor accentColor()
{
    return QApplication::palette().color(QPalette::Highlight);
}

QLabel *label(const QString &text, TextRole role, bool semibold, bool secondary, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setFont(font(role, semibold));
    if (secondary) {
        // A style sheet, because labels inside item views take the view's palette.
        const QColor c = secondaryColor();
        l->setStyleSheet(QStringLiteral("color: rgba(%1, %2, %3, %4);")
                                 .arg(c.red())
                                 .arg(c.green())
                                 .arg(c.blue())
                                 .arg(c.alpha()));
    }
    return l;
}

void styleMessageBox(QMessageBox *box)
{
    box->setStyleSheet(QStringLiteral("QLabel#qt_msgbox_label, QLabel#qt_msgbox_informativelabel "
                                      "{ min-width: 320px; }"));
    if (!box->informativeText().isEmpty()) {
        if (auto *main = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))) {
            QFont bold = main->font();
            bold.setWeight(QFont::DemiBold);
            main->setFont(bold);
        }
    }
}

QMessageBox *openHinweisAlert(const QString &message, QWidget *parent)
{
    auto *alert = new QMessageBox(QMessageBox::Information, QStringLiteral("Hinweis"), message,
                                  QMessageBox::NoButton, parent);
    alert->setObjectName(QStringLiteral("alert"));
    QPushButton *ok = alert->addButton(QStringLiteral("OK"), QMessageBox::RejectRole);
    alert->setDefaultButton(ok);
    alert->setEscapeButton(ok);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    styleMessageBox(alert);
    alert->open();
    return alert;
}

QString formatNumber(qint64 number)
{
    return QString::asprintf("%03lld", static_cast<long long>(number));
}

QString formatMinutesSeconds(double seconds)
{
    const qint64 whole = std::isfinite(seconds) && seconds > 0 ? static_cast<qint64>(seconds) : 0;
    return QString::asprintf("%02lld:%02lld", static_cast<long long>(whole / 60),
                             static_cast<long long>(whole % 60));
}

} // namespace tandrel::ui
