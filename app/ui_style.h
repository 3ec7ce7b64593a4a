#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QLabel;
class QMessageBox;
class QWidget;

namespace tandrel::ui {

// Text roles of the windows, after the usual desktop type ramp.
enum class TextRole { Body, Headline, Title2, Caption, Caption2, Callout, Monospaced };

QFont font(TextRole role, bool semibold = false);
QColor secondaryColor();
QColor accentColor();

// A label in the given role; `secondary` greys it like supporting text.
QLabel *label(const QString &text, TextRole role, bool semibold = false, bool secondary = false,
              QWidget *parent = nullptr);

// Sizes a message box to its texts (wrapping at spaces, a word too long for
// any line elided in its middle) and sets its main text in bold.
void styleMessageBox(QMessageBox *box);

// The alert's message below its "Hinweis" heading; sizes the box anew.
void setAlertMessage(QMessageBox *alert, const QString &message);

// The window-modal "Hinweis" alert with one OK button, deleted when closed.
// The caller connects to its finished() signal to clear what it showed.
QMessageBox *openHinweisAlert(const QString &message, QWidget *parent);

// "%03d" as the reel numbers are shown everywhere (7 → 007, -5 → -05).
QString formatNumber(qint64 number);
// "%02d:%02d" of whole minutes and remaining whole seconds of `seconds` (truncated).
QString formatMinutesSeconds(double seconds);

} // namespace tandrel::ui
