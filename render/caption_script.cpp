#include "render/caption_script.h"

#include <cmath>

namespace tandrel {

namespace {

// A time as the script writes it: whole centiseconds, rounded.
qint64 centiseconds(double seconds)
{
    return std::max<qint64>(0, std::llround(seconds * 100));
}

// "H:MM:SS.CC".
QString assTime(double seconds)
{
    const qint64 centis = centiseconds(seconds);
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

QList<qsizetype> CaptionScript::shownAt(const QList<CaptionCue> &cues, qint64 frame, int frameRate)
{
    // The subtitle filter's own arithmetic: the frame's time stamp in a
    // time base of 1/`frameRate`, in milliseconds as a double, handed to
    // libass as an integer.
    const auto now = static_cast<long long>(double(frame) * (1.0 / frameRate) * 1000);
    QList<qsizetype> shown;
    for (qsizetype i = 0; i < cues.size(); ++i) {
        const qint64 start = centiseconds(cues[i].start) * 10, end = centiseconds(cues[i].end) * 10;
        if (now >= start && now < end)
            shown.append(i);
    }
    return shown;
}

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
