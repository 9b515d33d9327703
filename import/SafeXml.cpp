#include "import/SafeXml.h"

bool SafeXml::next() {
    while (m_failure.isEmpty() && !m_xml.atEnd()) {
        switch (m_xml.readNext()) {
        case QXmlStreamReader::DTD:
            m_failure = QStringLiteral("its part %1 holds a document type declaration").arg(m_part);
            return false;
        case QXmlStreamReader::StartElement:
        case QXmlStreamReader::EndElement:
        case QXmlStreamReader::Characters:
            return true;
        case QXmlStreamReader::Invalid:
            return false;
        default:
            break;
        }
    }
    return false;
}

bool SafeXml::skip() {
    int depth = 1;
    while (depth > 0 && next()) {
        if (m_xml.isStartElement())
            ++depth;
        else if (m_xml.isEndElement())
            --depth;
    }
    return depth == 0;
}

QString SafeXml::problem() const {
    if (!m_failure.isEmpty())
        return m_failure;
    if (m_xml.hasError())
        return QStringLiteral("its part %1 is not well-formed XML (line %2: %3)")
            .arg(m_part)
            .arg(m_xml.lineNumber())
            .arg(m_xml.errorString());
    return {};
}

QStringView SafeXml::attribute(QLatin1StringView name) const {
    for (const QXmlStreamAttribute& attribute : m_xml.attributes())
        if (attribute.name() == name)
            return attribute.value();
    return {};
}
