#pragma once

#include "export/fcpxml_exporter.h"

#include <QList>
#include <QString>
#include <utility>

namespace tandrel {

// Indented MLT XML, one element or property a line. Every attribute value and
// text is escaped as the Final Cut document escapes it, so characters XML
// cannot carry are dropped the same way in every export.
class MltXmlWriter
{
public:
    using Attributes = QList<std::pair<QString, QString>>;

    void open(const QString &element, const Attributes &attributes = {})
    {
        line(QLatin1Char('<') + element + attributeText(attributes) + QLatin1Char('>'));
        ++m_depth;
    }
    void empty(const QString &element, const Attributes &attributes = {})
    {
        line(QLatin1Char('<') + element + attributeText(attributes) + QStringLiteral("/>"));
    }
    void close(const QString &element)
    {
        --m_depth;
        line(QStringLiteral("</") + element + QLatin1Char('>'));
    }
    void property(const QString &name, const QString &value)
    {
        line(QStringLiteral("<property name=\"") + FCPXMLExporter::xmlEscaped(name) + QStringLiteral("\">")
             + FCPXMLExporter::xmlEscaped(value) + QStringLiteral("</property>"));
    }
    void property(const QString &name, qint64 value) { property(name, QString::number(value)); }
    void raw(const QString &text) { line(text); }

    const QString &text() const { return m_text; }

private:
    static QString attributeText(const Attributes &attributes)
    {
        QString text;
        for (const auto &[name, value] : attributes)
            text += QLatin1Char(' ') + name + QStringLiteral("=\"") + FCPXMLExporter::xmlEscaped(value)
                    + QLatin1Char('"');
        return text;
    }
    void line(const QString &text)
    {
        m_text += QString(m_depth, QLatin1Char(' ')) + text + QLatin1Char('\n');
    }

    QString m_text;
    int m_depth = 0;
};

} // namespace tandrel
