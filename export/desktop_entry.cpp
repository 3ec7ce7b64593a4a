#include "export/desktop_entry.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace tandrel {

namespace {

// \s \n \t \r and \\ in a string value.
QString unescapedValue(const QString &value)
{
    QString text;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\' || i + 1 == value.size()) {
            text += c;
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case 's':
            text += u' ';
            break;
        case 'n':
            text += u'\n';
            break;
        case 't':
            text += u'\t';
            break;
        case 'r':
            text += u'\r';
            break;
        case '\\':
            text += u'\\';
            break;
        default:
            // Exec's own quoting escapes (\" \$ \`), resolved when it is split.
            text += u'\\';
            text += next;
        }
    }
    return text;
}

// Exec's arguments: blanks separate them, double quotes group them, and
// inside quotes a backslash takes the next character as it is.
std::optional<QStringList> splitArguments(const QString &exec)
{
    QStringList arguments;
    QString current;
    bool started = false, quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted) {
            if (c == u'\\' && i + 1 < exec.size())
                current += exec.at(++i);
            else if (c == u'"')
                quoted = false;
            else
                current += c;
        } else if (c == u'"') {
            quoted = started = true;
        } else if (c.isSpace()) {
            if (started)
                arguments.append(current);
            current.clear();
            started = false;
        } else {
            current += c;
            started = true;
        }
    }
    if (quoted)
        return std::nullopt;
    if (started)
        arguments.append(current);
    return arguments;
}

// One argument with its field codes replaced; whether it held a file code.
QString expandFieldCodes(const QString &argument, const QString &path, const QString &url, bool *usedFile)
{
    QString text;
    for (qsizetype i = 0; i < argument.size(); ++i) {
        if (argument.at(i) != u'%' || i + 1 == argument.size()) {
            text += argument.at(i);
            continue;
        }
        switch (argument.at(++i).unicode()) {
        case 'f':
        case 'F':
            text += path;
            *usedFile = true;
            break;
        case 'u':
        case 'U':
            text += url;
            *usedFile = true;
            break;
        case '%':
            text += u'%';
            break;
        default:
            break; // icon, name, entry location and deprecated codes
        }
    }
    return text;
}

} // namespace

std::optional<DesktopEntry> DesktopEntry::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    DesktopEntry entry;
    bool inGroup = false;
    for (const QString &raw : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'[')) {
            inGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (!inGroup || line.startsWith(u'#') || equals < 0)
            continue;
        const QString key = line.left(equals).trimmed();
        const QString value = unescapedValue(line.mid(equals + 1).trimmed());
        if (key == QLatin1String("Name"))
            entry.name = value;
        else if (key == QLatin1String("Exec"))
            entry.exec = value;
        else if (key == QLatin1String("TryExec"))
            entry.tryExec = value;
        else if (key == QLatin1String("Hidden"))
            entry.hidden = value == QLatin1String("true");
    }
    if (entry.exec.isEmpty())
        return std::nullopt;
    return entry;
}

bool DesktopEntry::isRunnable() const
{
    if (hidden)
        return false;
    QString program = tryExec;
    if (program.isEmpty()) {
        const QStringList arguments = splitArguments(exec).value_or(QStringList{});
        if (arguments.isEmpty())
            return false;
        program = arguments.first();
    }
    if (QFileInfo(program).isAbsolute())
        return QFileInfo(program).isExecutable() && QFileInfo(program).isFile();
    return !QStandardPaths::findExecutable(program).isEmpty();
}

QStringList DesktopEntry::command(const QString &file) const
{
    const std::optional<QStringList> arguments = splitArguments(exec);
    if (!arguments || arguments->isEmpty())
        return {};
    const QString url = QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded);
    QStringList result;
    bool usedFile = false;
    for (const QString &argument : *arguments) {
        const QString expanded = expandFieldCodes(argument, file, url, &usedFile);
        if (!expanded.isEmpty() || !argument.contains(u'%'))
            result.append(expanded);
    }
    if (result.isEmpty())
        return {};
    if (!usedFile)
        result.append(file);
    return result;
}

} // namespace tandrel
