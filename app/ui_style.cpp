#include "app/ui_style.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
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

namespace {

// The widest a message box's text grows before it wraps.
int messageWidthLimit(const QWidget *box)
{
    const QScreen *screen = box->screen() ? box->screen() : QGuiApplication::primaryScreen();
    const int available = screen ? screen->availableGeometry().width() : 1280;
    return std::clamp(available / 2 - 80, 320, 560);
}

// The widest piece of `word` that a line can hold at once: text wraps at
// spaces and after the slashes of a path.
int widestUnbreakable(const QString &word, const QFontMetrics &metrics)
{
    int widest = 0;
    for (const QString &piece : word.split(QLatin1Char('/')))
        widest = std::max(widest, metrics.horizontalAdvance(piece + QLatin1Char('/')));
    return widest;
}

// A word that cannot be wrapped into the line (a path part longer than the
// whole line) keeps its beginning and its end, the middle elided.
QString fitWords(const QString &text, const QFontMetrics &metrics, int limit)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString &line : lines) {
        QStringList words = line.split(QLatin1Char(' '));
        for (QString &word : words)
            if (widestUnbreakable(word, metrics) > limit)
                word = metrics.elidedText(word, Qt::ElideMiddle, limit);
        line = words.join(QLatin1Char(' '));
    }
    return lines.join(QLatin1Char('\n'));
}

// Gives `label` the width of its longest line up to the limit, so the box
// grows with its text instead of cutting it.
void fitLabel(QLabel *label, int limit)
{
    if (!label || label->text().isEmpty())
        return;
    const QFontMetrics metrics(label->font());
    label->setText(fitWords(label->text(), metrics, limit));
    int widest = 0;
    for (const QString &line : label->text().split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    label->setWordWrap(true);
    label->setMinimumWidth(std::clamp(widest + 2, 320, limit));
}

} // namespace

void styleMessageBox(QMessageBox *box)
{
    auto *main = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    if (main && !box->informativeText().isEmpty()) {
        QFont bold = main->font();
        bold.setWeight(QFont::DemiBold);
        main->setFont(bold);
    }
    const int limit = messageWidthLimit(box);
    fitLabel(main, limit);
    fitLabel(box->findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")), limit);
}

void setAlertMessage(QMessageBox *alert, const QString &message)
{
    alert->setInformativeText(message);
    styleMessageBox(alert);
}

QMessageBox *openHinweisAlert(const QString &message, QWidget *parent)
{
    // The title also heads the body: window titles of dialogs are not shown
    // by every desktop, and the delete confirmation reads the same way.
    auto *alert = new QMessageBox(
            QMessageBox::Information, QCoreApplication::translate("tandrel::UiStyle", "Hinweis"),
            QCoreApplication::translate("tandrel::UiStyle", "Hinweis"), QMessageBox::NoButton, parent);
    alert->setObjectName(QStringLiteral("alert"));
    QPushButton *ok = alert->addButton(QCoreApplication::translate("tandrel::UiStyle", "OK"),
                                       QMessageBox::RejectRole);
    alert->setDefaultButton(ok);
    alert->setEscapeButton(ok);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    setAlertMessage(alert, message);
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
