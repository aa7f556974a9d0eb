#include "sync/dav_xml.h"

#include <QXmlStreamReader>

namespace ostrel::sync {

namespace {

QString key(const QStringView ns, const QStringView name) { return ns.toString() + QLatin1Char('|') + name.toString(); }

QString key(const char* ns, const char* name) {
    return QString::fromLatin1(ns) + QLatin1Char('|') + QString::fromLatin1(name);
}

class Reader {
public:
    Reader(const QByteArray& body, const DavXmlLimits& limits) : xml_(body), limits_(limits) {}

    DavMultistatus read() {
        DavMultistatus out;
        if (!next() || !isStart(kDav, "multistatus")) fail("the reply is not a multistatus");
        while (nextChild()) {
            if (isStart(kDav, "response")) {
                if (out.responses.size() >= limits_.maxResponses) fail("the reply holds too many responses");
                out.responses.push_back(readResponse());
            } else if (isStart(kDav, "sync-token")) {
                out.syncToken = readText();
            } else {
                skip();
            }
        }
        // Nothing but blanks and comments may follow the root.
        while (!xml_.atEnd()) {
            xml_.readNext();
            if (xml_.isStartElement()) fail("more than one root element");
        }
        if (xml_.hasError()) fail(xml_.errorString().toStdString());
        return out;
    }

private:
    [[noreturn]] static void fail(const std::string& why) { throw DavXmlError("unreadable WebDAV reply: " + why); }

    // Moves to the next token that matters; false at the end.
    bool next() {
        for (;;) {
            if (xml_.atEnd()) break;
            const auto t = xml_.readNext();
            if (t == QXmlStreamReader::StartElement) {
                if (++depth_ > limits_.maxDepth) fail("the reply nests too deeply");
                return true;
            }
            if (t == QXmlStreamReader::EndElement) {
                --depth_;
                return true;
            }
            if (t == QXmlStreamReader::Invalid) break;
        }
        if (xml_.hasError()) fail(xml_.errorString().toStdString());
        return false;
    }

    // The next child element of the current one; false at its end tag.
    bool nextChild() {
        for (;;) {
            if (!next()) fail("the reply ends early");
            if (xml_.isStartElement()) return true;
            if (xml_.isEndElement()) return false;
        }
    }

    bool isStart(const char* ns, const char* name) const {
        return xml_.isStartElement() && xml_.namespaceUri() == QLatin1String(ns) && xml_.name() == QLatin1String(name);
    }

    // Skips the current element with everything inside.
    void skip() {
        while (nextChild()) skip();
    }

    // The text of the current element (child elements are skipped).
    QString readText() {
        QString text;
        const int depth = depth_;
        for (;;) {
            if (xml_.atEnd()) fail("the reply ends early");
            const auto t = xml_.readNext();
            if (t == QXmlStreamReader::Characters) {
                if (depth_ == depth) text += xml_.text();
            } else if (t == QXmlStreamReader::StartElement) {
                if (++depth_ > limits_.maxDepth) fail("the reply nests too deeply");
            } else if (t == QXmlStreamReader::EndElement) {
                if (depth_-- == depth) return text;
            } else if (t == QXmlStreamReader::Invalid) {
                fail(xml_.errorString().toStdString());
            }
        }
    }

    DavResponse readResponse() {
        DavResponse r;
        int propStatus = 0;
        while (nextChild()) {
            if (isStart(kDav, "href")) {
                if (r.href.isEmpty()) r.href = readText().trimmed();
                else skip();
            } else if (isStart(kDav, "status")) {
                r.status = statusCodeOf(readText());
            } else if (isStart(kDav, "propstat")) {
                DavResponse props;
                int status = 0;
                bool hadProp = false;
                while (nextChild()) {
                    if (isStart(kDav, "prop")) {
                        readProps(props);
                        hadProp = true;
                    } else if (isStart(kDav, "status")) {
                        status = statusCodeOf(readText());
                    } else {
                        skip();
                    }
                }
                // Only the properties found count (a 404 propstat names the
                // ones the server does not have).
                if (hadProp && status >= 200 && status < 300) {
                    r.text.merge(props.text);
                    r.hrefs.merge(props.hrefs);
                    r.resourceTypes << props.resourceTypes;
                    r.components << props.components;
                    propStatus = status;
                }
            } else {
                skip();
            }
        }
        if (r.status == 0) r.status = propStatus;
        return r;
    }

    void readProps(DavResponse& r) {
        while (nextChild()) {
            const QString k = key(xml_.namespaceUri(), xml_.name());
            if (isStart(kDav, "resourcetype")) {
                while (nextChild()) {
                    r.resourceTypes << key(xml_.namespaceUri(), xml_.name());
                    skip();
                }
            } else if (isStart(kCalDav, "supported-calendar-component-set")) {
                while (nextChild()) {
                    if (isStart(kCalDav, "comp"))
                        r.components << xml_.attributes().value(QLatin1String("name")).toString().toUpper();
                    skip();
                }
            } else if (isStart(kDav, "current-user-principal") || isStart(kCalDav, "calendar-home-set") ||
                       isStart(kCardDav, "addressbook-home-set") || isStart(kDav, "principal-URL")) {
                QStringList& list = r.hrefs[k];
                while (nextChild()) {
                    if (isStart(kDav, "href")) list << readText().trimmed();
                    else skip();
                }
            } else {
                r.text[k] = readText();
            }
        }
    }

    QXmlStreamReader xml_;
    DavXmlLimits limits_;
    int depth_ = 0;
};

}  // namespace

QString DavResponse::prop(const char* ns, const char* name) const {
    const auto it = text.find(key(ns, name));
    return it == text.end() ? QString() : it->second;
}

bool DavResponse::isType(const char* ns, const char* name) const { return resourceTypes.contains(key(ns, name)); }

int statusCodeOf(const QString& line) {
    const QStringList parts = line.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() < 2) return 0;
    bool ok = false;
    const int code = parts[1].toInt(&ok);
    return ok && code >= 100 && code <= 999 ? code : 0;
}

DavMultistatus parseMultistatus(const QByteArray& body, const DavXmlLimits& limits) {
    return Reader(body, limits).read();
}

}  // namespace ostrel::sync
