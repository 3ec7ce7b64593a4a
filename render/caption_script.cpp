#include "render/caption_script.h"

#include <cmath>

namespace tandrel {

namespace {

// "H:MM:SS.CC", centiseconds rounded.
QString assTime(double seconds)
{
    const qint64 centis = std::max<qint64>(0, std::llround(seconds * 100));
    return QStringLiteral("%1:%2:%3.%4")
            .arg(centis / 360000)
            .arg(centis / 6000 % 60, 2, 10, QLatin1Char('0'))
            .arg(centis / 100 % 60, 2, 10, QLatin1Char('0'))
            .arg(centis % 100, 2, 10, QLatin1Char('0'));
}

// A cue's text as a dialogue line shows it: braces would open override
// tags and a backslash an escape, so both are replaced by look-alikes.
QString dialogueText(const QString &text)
{
    QString shown = text;
    shown.replace(QLatin1Char('{'), QLatin1Char('(')).replace(QLatin1Char('}'), QLatin1Char(')'));
    shown.replace(QLatin1Char('\\'), QChar(0x29F5));
    shown.replace(QLatin1String("\r"), QString());
    shown.replace(QLatin1Char('\n'), QLatin1String("\\N"));
    return shown;
}

} // namespace

QString CaptionScript::text(const QList<CaptionCue> &cues)
{
    QString script = QStringLiteral("[Script Info]\nScriptType: v4.00+\nPlayResX: %1\nPlayResY: %2\n"
                                    "WrapStyle: 0\nScaledBorderAndShadow: yes\n\n")
                             .arg(width)
                             .arg(height);
    script += QStringLiteral(
            "[V4+ Styles]\nFormat: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, "
            "BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, "
            "Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\n");
    script += QStringLiteral("Style: Reel,DejaVu Sans,%1,&H00FFFFFF,&H00FFFFFF,&H00000000,&H99000000,"
                             "-1,0,0,0,100,100,0,0,1,6,2,2,%2,%2,%3,1\n\n")
                      .arg(fontSize)
                      .arg(sideMargin)
                      .arg(bottomMargin);
    script += QStringLiteral("[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, "
                             "Effect, Text\n");
    for (const CaptionCue &cue : cues)
        script += QStringLiteral("Dialogue: 0,%1,%2,Reel,,0,0,0,,%3\n")
                          .arg(assTime(cue.start), assTime(cue.end), dialogueText(cue.text));
    return script;
}

} // namespace tandrel
