#pragma once

#include <QProcess>
#include <QString>

namespace tandrel::testing {

// Empty when xmllint accepts the file against Final Cut's FCPXML 1.14 DTD; its complaint otherwise.
inline QString dtdErrors(const QString &path)
{
    QProcess xmllint;
    xmllint.start(QStringLiteral("xmllint"),
                  {QStringLiteral("--noout"), QStringLiteral("--dtdvalid"),
                   QStringLiteral(TANDREL_FCPXML_DTD), path});
    if (!xmllint.waitForFinished(30000))
        return QStringLiteral("xmllint did not run: ") + xmllint.errorString();
    if (xmllint.exitStatus() != QProcess::NormalExit || xmllint.exitCode() != 0)
        return QString::fromUtf8(xmllint.readAllStandardError()) + QStringLiteral(" exit ")
                + QString::number(xmllint.exitCode());
    return {};
}

} // namespace tandrel::testing
