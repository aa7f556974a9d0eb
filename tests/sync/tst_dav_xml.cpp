// The WebDAV replies the helper reads: what a sync-collection, multiget
// and discovery answer carry, and hostile replies (malformed, deeply
// nested, too many responses) that must end in an error, never a crash.

#include <QtTest>

#include "sync/dav_xml.h"

using namespace ostrel::sync;

class TestDavXml : public QObject {
    Q_OBJECT
private slots:
    void readsWhatTheSyncNeeds() {
        const QByteArray body =
            "<?xml version=\"1.0\"?><d:multistatus xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:caldav\">"
            "<d:response><d:href>/cal/a%40b.ics</d:href><d:propstat><d:prop><d:getetag>\"1\"</d:getetag>"
            "<c:calendar-data>BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n</c:calendar-data></d:prop>"
            "<d:status>HTTP/1.1 200 OK</d:status></d:propstat>"
            "<d:propstat><d:prop><d:displayname/></d:prop><d:status>HTTP/1.1 404 Not Found</d:status></d:propstat>"
            "</d:response>"
            "<d:response><d:href>/cal/gone.ics</d:href><d:status>HTTP/1.1 404 Not Found</d:status></d:response>"
            "<d:response><d:href>/cal/</d:href><d:propstat><d:prop><d:resourcetype><d:collection/><c:calendar/>"
            "</d:resourcetype><c:supported-calendar-component-set><c:comp name=\"vevent\"/>"
            "</c:supported-calendar-component-set><c:calendar-home-set><d:href>/home/</d:href></c:calendar-home-set>"
            "</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>"
            "<d:sync-token>tok-2</d:sync-token></d:multistatus>";
        const DavMultistatus ms = parseMultistatus(body);
        QCOMPARE(ms.syncToken, QStringLiteral("tok-2"));
        QCOMPARE(ms.responses.size(), std::size_t{3});
        const DavResponse& item = ms.responses[0];
        QCOMPARE(item.href, QStringLiteral("/cal/a%40b.ics"));
        QCOMPARE(item.status, 200);
        QCOMPARE(item.prop(kDav, "getetag"), QStringLiteral("\"1\""));
        QVERIFY(item.prop(kCalDav, "calendar-data").startsWith(QLatin1String("BEGIN:VCALENDAR")));
        // A property the server does not have (404 propstat) is not there.
        QVERIFY(!item.text.count(QStringLiteral("DAV:|displayname")));
        QCOMPARE(ms.responses[1].status, 404);
        const DavResponse& coll = ms.responses[2];
        QVERIFY(coll.isType(kCalDav, "calendar"));
        QCOMPARE(coll.components, QStringList{QStringLiteral("VEVENT")});
        QCOMPARE(coll.hrefs.at(QStringLiteral("urn:ietf:params:xml:ns:caldav|calendar-home-set")),
                 QStringList{QStringLiteral("/home/")});
    }

    void hostileRepliesAreErrors_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not xml") << QByteArray("HTTP error page");
        QTest::newRow("another root") << QByteArray("<html xmlns=\"DAV:\"/>");
        QTest::newRow("cut short") << QByteArray("<d:multistatus xmlns:d=\"DAV:\"><d:response><d:href>/a");
        QTest::newRow("unbalanced") << QByteArray("<d:multistatus xmlns:d=\"DAV:\"><d:response></d:multistatus>");
        QTest::newRow("two roots") << QByteArray("<d:multistatus xmlns:d=\"DAV:\"/><d:multistatus xmlns:d=\"DAV:\"/>");
        QTest::newRow("deep nesting") << (QByteArray(
                                              "<d:multistatus xmlns:d=\"DAV:\"><d:response><d:propstat><d:prop><d:x>") +
                                          QByteArray("<d:y>").repeated(100000) + QByteArray("</d:y>").repeated(100000) +
                                          "</d:x></d:prop></d:propstat></d:response></d:multistatus>");
        QTest::newRow("entity expansion") << QByteArray(
            "<?xml version=\"1.0\"?><!DOCTYPE m [<!ENTITY a \"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\">"
            "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
            "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
            "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">"
            "<!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">]>"
            "<d:multistatus xmlns:d=\"DAV:\"><d:sync-token>&e;&e;&e;&e;</d:sync-token></d:multistatus>");
    }
    void hostileRepliesAreErrors() {
        QFETCH(QByteArray, body);
        QVERIFY_THROWS_EXCEPTION(DavXmlError, parseMultistatus(body));
    }

    void tooManyResponsesAreRefused() {
        const QByteArray one = "<d:response><d:href>/a</d:href></d:response>";
        const QByteArray body = "<d:multistatus xmlns:d=\"DAV:\">" + one.repeated(11) + "</d:multistatus>";
        DavXmlLimits limits;
        limits.maxResponses = 10;
        QVERIFY_THROWS_EXCEPTION(DavXmlError, parseMultistatus(body, limits));
        limits.maxResponses = 11;
        QCOMPARE(parseMultistatus(body, limits).responses.size(), std::size_t{11});
    }
};

QTEST_GUILESS_MAIN(TestDavXml)
#include "tst_dav_xml.moc"
