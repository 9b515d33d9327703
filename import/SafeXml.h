#pragma once
// Reading the XML of a zipped workbook, which is untrusted: a document type
// declaration is refused outright (a workbook has none; it is where entity
// bombs and external entities live), and every error names the part.

#include <QXmlStreamReader>

class SafeXml {
  public:
    SafeXml(const QByteArray& bytes, const QString& part) : m_xml(bytes), m_part(part) {}

    // The next start or end element, text or end; false at the end or at the
    // first error (then problem() says why).
    bool next();
    QXmlStreamReader& xml() { return m_xml; }
    bool isStart(QLatin1StringView name) const { return m_xml.isStartElement() && m_xml.name() == name; }
    bool isEnd(QLatin1StringView name) const { return m_xml.isEndElement() && m_xml.name() == name; }
    // The attribute of the current element by its local name, whatever its prefix.
    QStringView attribute(QLatin1StringView name) const;
    // Passes over the current element and all inside it.
    bool skip();
    // Empty when the part was read to its end without error.
    QString problem() const;
    void fail(const QString& reason) { m_failure = reason; }

  private:
    QXmlStreamReader m_xml;
    QString m_part;
    QString m_failure;
};
