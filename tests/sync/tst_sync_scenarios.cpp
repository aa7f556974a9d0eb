// The sync against a real server (Radicale on loopback): one table of
// scenarios, each followed by a sync that must find nothing left to do;
// the emptied collection that stops the sync; the command line's summary
// and exit codes; a run killed half-way that the next run completes.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <functional>
#include <map>

#include "base/app_paths.h"
#include "base/language_texts.h"
#include "core/data/sql/query.h"
#include "core/exchange/calendar_codec.h"
#include "data/contact_store.h"
#include "data/data_module.h"
#include "data/exchange_rows.h"
#include "data/exchange_store.h"
#include "data/holiday_store.h"
#include "data/sync_store.h"
#include "dates.h"
#include "fake_clock.h"
#include "fixture_db.h"
#include "radicale_server.h"
#include "sync/collection_sync.h"
#include "sync/dav_client.h"
#include "sync/dav_xml.h"
#include "sync/discovery.h"

using namespace ostrel;
using namespace ostrel::sync;
using testing::at;
using testing::RadicaleServer;

namespace {

RadicaleServer* g_server = nullptr;

// A small PNG's first bytes are all the program looks at.
const QByteArray kPhoto = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(300, 'p');

// One machine: a program folder with its database.
struct Machine {
    testing::TempDir dir{"ostrel sync"};
    QString root = QString::fromStdString(dir.str());
    std::unique_ptr<TDataModule1> data;
    Machine() {
        enter();
        testing::createOrganizerDatabase(databaseFilePath().toStdString());
        data = std::make_unique<TDataModule1>(databaseFilePath());
    }
    void enter() { setExeDirForTesting(root); }

    std::int64_t addTask(const QString& title, DateTime first, std::int64_t periodInt = 0,
                         PeriodUnit periodType = puNone) {
        TaskRow t;
        t.FirstDT = t.ShowDT = first;
        t.Title = title;
        t.PeriodInt = periodInt;
        t.PeriodType = periodType;
        t.ElapseInt = 1;
        t.ElapseType = puHours;
        return data->tasks().insertTask(t);
    }
    void retitle(std::int64_t id, const QString& title) {
        TaskRow t = data->tasks().task(static_cast<std::int32_t>(id));
        t.Title = title;
        data->tasks().updateTask(t);
    }
    QStringList titles() {
        QStringList out;
        for (const TaskRow& t : data->tasks().allTasks()) out << t.Title;
        for (const HolidayRow& h : data->holidays().listHolidays()) out << h.Title;
        out.sort();
        return out;
    }
    QStringList names() {
        QStringList out;
        for (const ContactRow& c : data->contacts().allContacts()) out << c.LastName.trimmed();
        out.sort();
        return out;
    }
};

// The server as another client (a phone) sees it.
struct Phone {
    DavClient client{QString::fromLatin1(RadicaleServer::kUser), RadicaleServer::password()};

    // Every item of a collection: href -> (etag, text).
    std::map<QString, std::pair<QByteArray, QByteArray>> items(const QUrl& coll) {
        std::map<QString, std::pair<QByteArray, QByteArray>> out;
        const DavReply list =
            client.request("PROPFIND", coll, "<D:propfind xmlns:D=\"DAV:\"><D:prop><D:getetag/></D:prop></D:propfind>",
                           {{"Depth", "1"}});
        for (const DavResponse& r : parseMultistatus(list.body).responses) {
            const QUrl u = coll.resolved(QUrl(r.href));
            if (u.path() == coll.path()) continue;
            const DavReply got = client.request("GET", u);
            out[u.path()] = {got.header("ETag"), got.body};
        }
        return out;
    }
    QByteArray onlyItem(const QUrl& coll) {
        const auto all = items(coll);
        return all.size() == 1 ? all.begin()->second.second : QByteArray();
    }
    int put(const QUrl& coll, const QString& name, const QByteArray& body, const QByteArray& ifMatch = {}) {
        QList<QPair<QByteArray, QByteArray>> h{{"Content-Type", name.endsWith(QLatin1String(".vcf"))
                                                                    ? QByteArray("text/vcard")
                                                                    : QByteArray("text/calendar")}};
        if (!ifMatch.isEmpty()) h.append(qMakePair(QByteArray("If-Match"), ifMatch));
        return client.request("PUT", coll.resolved(QUrl(name)), body, h).status;
    }
    // Replaces text in the only item of the collection, as an edit on the
    // phone.
    void editOnly(const QUrl& coll, const QByteArray& from, const QByteArray& to) {
        const auto all = items(coll);
        QCOMPARE(all.size(), std::size_t{1});
        QByteArray body = all.begin()->second.second;
        QVERIFY2(body.contains(from), body.constData());
        body.replace(from, to);
        const int status = client
                               .request("PUT", coll.resolved(QUrl(all.begin()->first)), body,
                                        {{"Content-Type", "text/calendar"}, {"If-Match", all.begin()->second.first}})
                               .status;
        QVERIFY2(status == 201 || status == 204, QByteArray::number(status).constData());
    }
    void removeAll(const QUrl& coll) {
        for (const auto& [href, item] : items(coll)) client.remove(coll.resolved(QUrl(href)));
    }
};

QByteArray event(const QByteArray& uid, const QByteArray& lines) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//Phone//EN\r\nBEGIN:VEVENT\r\nUID:" + uid +
           "\r\nDTSTAMP:20261201T000000Z\r\n" + lines + "END:VEVENT\r\nEND:VCALENDAR\r\n";
}

// Both collections of a scenario, made fresh on the server.
struct World {
    Machine m;
    Phone phone;
    QUrl cal, book;
    SyncOptions options;
    World() {
        if (qEnvironmentVariableIsSet("OSTREL_SYNC_TEST_VERBOSE"))
            options.log = [](const QString& s) { qInfo().noquote() << s; };
        DavClient c(QString::fromLatin1(RadicaleServer::kUser), RadicaleServer::password());
        cal = createCollection(c, g_server->home(), true, QStringLiteral("Ostrel Organizer"));
        book = createCollection(c, g_server->home(), false, QStringLiteral("Ostrel Organizer"));
    }
    SyncCounts sync(Machine& on) {
        on.enter();
        DavClient c(QString::fromLatin1(RadicaleServer::kUser), RadicaleServer::password());
        SyncCounts n = CollectionSync(*on.data, c, CollectionKind::Calendar, cal, options).run();
        n += CollectionSync(*on.data, c, CollectionKind::AddressBook, book, options).run();
        return n;
    }
    SyncCounts sync() { return sync(m); }
};

QString countsText(const SyncCounts& c) {
    return QStringLiteral("%1/%2/%3/%4").arg(c.sent).arg(c.received).arg(c.deleted).arg(c.conflicts);
}

struct Scenario {
    const char* name;
    std::function<void(World&)> run;
};

const std::vector<Scenario>& scenarios() {
    static const std::vector<Scenario> table{
        {"local create: the server has it",
         [](World& w) {
             w.m.addTask(QStringLiteral("Dentist"), at(2026, 12, 20, 9, 30));
             ContactRow c;
             c.LastName = QStringLiteral("Ivanova");
             c.FirstName = QStringLiteral("Анна");
             c.Mail = QStringLiteral("anna@example.org");
             w.m.data->contacts().insertContact(c);
             QCOMPARE(countsText(w.sync()), QStringLiteral("2/0/0/0"));
             QVERIFY(w.phone.onlyItem(w.cal).contains("SUMMARY:Dentist"));
             QVERIFY(w.phone.onlyItem(w.book).contains("Анна"));
         }},
        {"server edit: the row follows",
         [](World& w) {
             w.m.addTask(QStringLiteral("Dentist"), at(2026, 12, 20, 9, 30));
             w.sync();
             w.phone.editOnly(w.cal, "SUMMARY:Dentist", "SUMMARY:Dentist moved");
             QCOMPARE(countsText(w.sync()), QStringLiteral("0/1/0/0"));
             QCOMPARE(w.m.titles(), QStringList{QStringLiteral("Dentist moved")});
         }},
        {"both edited: the server's version in place, the local edit as a conflict copy",
         [](World& w) {
             const auto id = w.m.addTask(QStringLiteral("Call"), at(2026, 12, 20, 9, 30));
             w.sync();
             w.phone.editOnly(w.cal, "SUMMARY:Call", "SUMMARY:Call Bob");
             w.m.retitle(id, QStringLiteral("Call Alice"));
             const SyncCounts c = w.sync();
             QCOMPARE(c.conflicts, 1);
             QCOMPARE(w.m.titles(),
                      (QStringList{QStringLiteral("Call Alice (conflict copy)"), QStringLiteral("Call Bob")}));
             QCOMPARE(w.phone.items(w.cal).size(), std::size_t{2});
         }},
        {"local edit against server delete: the edit survives",
         [](World& w) {
             const auto id = w.m.addTask(QStringLiteral("Keep"), at(2026, 12, 20, 9, 30));
             w.m.addTask(QStringLiteral("Other"), at(2026, 12, 21, 9, 30));
             w.sync();
             for (const auto& [href, item] : w.phone.items(w.cal))
                 if (item.second.contains("SUMMARY:Keep")) w.phone.client.remove(w.cal.resolved(QUrl(href)));
             w.m.retitle(id, QStringLiteral("Keep edited"));
             w.sync();
             QCOMPARE(w.m.titles(), (QStringList{QStringLiteral("Keep edited"), QStringLiteral("Other")}));
             QCOMPARE(w.phone.items(w.cal).size(), std::size_t{2});
         }},
        {"server edit against local delete: the edit survives",
         [](World& w) {
             const auto id = w.m.addTask(QStringLiteral("Keep"), at(2026, 12, 20, 9, 30));
             w.sync();
             w.phone.editOnly(w.cal, "SUMMARY:Keep", "SUMMARY:Keep edited");
             w.m.data->tasks().removeTask(static_cast<std::int32_t>(id));
             w.sync();
             QCOMPARE(w.m.titles(), QStringList{QStringLiteral("Keep edited")});
             QCOMPARE(w.phone.items(w.cal).size(), std::size_t{1});
         }},
        {"unchanged rows deleted on either side go on the other",
         [](World& w) {
             const auto a = w.m.addTask(QStringLiteral("A"), at(2026, 12, 20, 9, 30));
             w.m.addTask(QStringLiteral("B"), at(2026, 12, 21, 9, 30));
             w.m.addTask(QStringLiteral("C"), at(2026, 12, 22, 9, 30));
             w.sync();
             for (const auto& [href, item] : w.phone.items(w.cal))
                 if (item.second.contains("SUMMARY:B")) w.phone.client.remove(w.cal.resolved(QUrl(href)));
             w.m.data->tasks().removeTask(static_cast<std::int32_t>(a));
             QCOMPARE(w.sync().deleted, 2);
             QCOMPARE(w.m.titles(), QStringList{QStringLiteral("C")});
             QCOMPARE(w.phone.items(w.cal).size(), std::size_t{1});
         }},
        {"the same UID on both sides at the first sync: one item",
         [](World& w) {
             const auto id = w.m.addTask(QStringLiteral("Shared"), at(2026, 12, 20, 9, 30));
             auto entry = *entryOfRow(w.m.data->tasks().task(static_cast<std::int32_t>(id)));
             entry.uid = "shared-uid-1";
             w.m.data->exchange().ensureTable();
             w.m.data->exchange().setUid(ExchangeStore::kToDo, entry.uid, id);
             QCOMPARE(w.phone.put(w.cal, QStringLiteral("phone-made.ics"),
                                  QByteArray::fromStdString(exchange::writeCalendar({entry}, "Europe/Berlin"))),
                      201);
             QCOMPARE(countsText(w.sync()), QStringLiteral("0/0/0/0"));
             QCOMPARE(w.m.titles(), QStringList{QStringLiteral("Shared")});
             QCOMPARE(w.phone.items(w.cal).size(), std::size_t{1});
         }},
        {"a rejected token: a full listing without duplicates",
         [](World& w) {
             w.m.addTask(QStringLiteral("One"), at(2026, 12, 20, 9, 30));
             w.m.addTask(QStringLiteral("Two"), at(2026, 12, 21, 9, 30));
             w.sync();
             QCOMPARE(
                 w.phone.put(w.cal, QStringLiteral("three.ics"),
                             event("three", "DTSTART:20261222T100000Z\r\nDTEND:20261222T110000Z\r\nSUMMARY:Three\r\n")),
                 201);
             SyncStore(w.m.data->connTAMO)
                 .setToken(w.cal.toString(QUrl::FullyEncoded).toStdString(), "http://radicale.org/ns/sync/0000");
             QCOMPARE(countsText(w.sync()), QStringLiteral("0/1/0/0"));
             QCOMPARE(w.m.titles(),
                      (QStringList{QStringLiteral("One"), QStringLiteral("Three"), QStringLiteral("Two")}));
             QCOMPARE(w.phone.items(w.cal).size(), std::size_t{3});
         }},
        {"a repeating event both ways",
         [](World& w) {
             QCOMPARE(w.phone.put(w.cal, QStringLiteral("gym.ics"),
                                  event("gym",
                                        "DTSTART;TZID=Europe/Berlin:20261214T180000\r\nDURATION:PT1H\r\n"
                                        "RRULE:FREQ=WEEKLY;INTERVAL=2\r\nSUMMARY:Gym\r\n")),
                      201);
             w.m.addTask(QStringLiteral("Rent"), at(2026, 12, 1, 9, 0), 1, puMonths);
             QCOMPARE(countsText(w.sync()), QStringLiteral("1/1/0/0"));
             const auto tasks = w.m.data->tasks().allTasks();
             const auto gym = std::find_if(tasks.begin(), tasks.end(),
                                           [](const TaskRow& t) { return t.Title == QLatin1String("Gym"); });
             QVERIFY(gym != tasks.end());
             QCOMPARE(gym->PeriodInt, 2);
             QCOMPARE(gym->PeriodType, puWeeks);
             bool rentRepeats = false;
             for (const auto& [href, item] : w.phone.items(w.cal))
                 rentRepeats |= item.second.contains("SUMMARY:Rent") && item.second.contains("RRULE:FREQ=MONTHLY");
             QVERIFY(rentRepeats);
         }},
        {"an event in another time zone",
         [](World& w) {
             QCOMPARE(w.phone.put(w.cal, QStringLiteral("call.ics"),
                                  "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//Phone//EN\r\n"
                                  "BEGIN:VTIMEZONE\r\nTZID:America/New_York\r\nBEGIN:STANDARD\r\n"
                                  "DTSTART:20071104T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\r\n"
                                  "TZOFFSETFROM:-0400\r\nTZOFFSETTO:-0500\r\nEND:STANDARD\r\nBEGIN:DAYLIGHT\r\n"
                                  "DTSTART:20070311T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU\r\n"
                                  "TZOFFSETFROM:-0500\r\nTZOFFSETTO:-0400\r\nEND:DAYLIGHT\r\nEND:VTIMEZONE\r\n"
                                  "BEGIN:VEVENT\r\nUID:ny-call\r\nDTSTAMP:20261201T000000Z\r\n"
                                  "DTSTART;TZID=America/New_York:20261215T100000\r\n"
                                  "DTEND;TZID=America/New_York:20261215T110000\r\nSUMMARY:New York call\r\n"
                                  "END:VEVENT\r\nEND:VCALENDAR\r\n"),
                      201);
             w.sync();
             const auto tasks = w.m.data->tasks().allTasks();
             QCOMPARE(tasks.size(), std::size_t{1});
             // 10:00 in New York is 16:00 here (the tests run in Berlin time).
             QCOMPARE(tasks[0].FirstDT, at(2026, 12, 15, 16, 0));
         }},
        {"a task with its alarm and a holiday with its advance days",
         [](World& w) {
             w.m.addTask(QStringLiteral("Pills"), at(2026, 12, 20, 8, 0));
             HolidayRow h;
             h.FirstDT = at(2026, 3, 8);
             h.Title = QStringLiteral("Women's Day");
             h.ElapseInt = 3;
             w.m.data->holidays().insertHoliday(h);
             QCOMPARE(w.sync().sent, 2);
             for (const auto& [href, item] : w.phone.items(w.cal)) {
                 QVERIFY(item.second.contains("BEGIN:VALARM"));
                 if (item.second.contains("Women")) QVERIFY(item.second.contains("TRIGGER:-P3D"));
             }
             // Another machine gets both back as they were.
             Machine other;
             QCOMPARE(w.sync(other).received, 2);
             QCOMPARE(other.titles(), w.m.titles());
             QCOMPARE(other.data->holidays().listHolidays().at(0).ElapseInt, 3);
         }},
        {"a contact with a photo reaches another machine",
         [](World& w) {
             QDir().mkpath(photosDir());
             QFile f(photosDir() + QStringLiteral("/anna.png"));
             QVERIFY(f.open(QIODevice::WriteOnly));
             f.write(kPhoto);
             f.close();
             ContactRow c;
             c.LastName = QStringLiteral("Ivanova");
             c.FirstName = QStringLiteral("Anna");
             c.Photo = storablePhotoPath(f.fileName());
             w.m.data->contacts().insertContact(c);
             QCOMPARE(w.sync().sent, 1);
             QVERIFY(w.phone.onlyItem(w.book).contains("PHOTO"));
             Machine other;
             QCOMPARE(w.sync(other).received, 1);
             const auto rows = other.data->contacts().allContacts();
             QCOMPARE(rows.size(), std::size_t{1});
             QVERIFY(rows[0].Photo.has_value());
             QCOMPARE(readPhoto(rows[0].Photo), kPhoto);
             // Nothing left to do on the other machine either.
             QCOMPARE(countsText(w.sync(other)), QStringLiteral("0/0/0/0"));
             w.m.enter();
         }},
    };
    return table;
}

}  // namespace

class TestSyncScenarios : public QObject {
    Q_OBJECT
    std::unique_ptr<RadicaleServer> server_;
    std::unique_ptr<testing::ScopedFakeClock> clock_;

private slots:
    void initTestCase() {
        if (!RadicaleServer::available()) QSKIP("radicale or htpasswd is not installed");
        server_ = std::make_unique<RadicaleServer>();
        QVERIFY(server_->start());
        g_server = server_.get();
        clock_ = std::make_unique<testing::ScopedFakeClock>(at(2026, 12, 10, 15, 0));
    }
    void cleanupTestCase() {
        setExeDirForTesting({});
        g_server = nullptr;
        server_.reset();
    }

    void table_data() {
        QTest::addColumn<int>("row");
        for (std::size_t i = 0; i < scenarios().size(); ++i) QTest::newRow(scenarios()[i].name) << static_cast<int>(i);
    }
    void table() {
        QFETCH(int, row);
        World w;
        scenarios()[static_cast<std::size_t>(row)].run(w);
        if (QTest::currentTestFailed()) return;
        // After each row a second sync finds nothing to do.
        QCOMPARE(countsText(w.sync()), QStringLiteral("0/0/0/0"));
    }

    // A collection that had items and comes back empty stops the sync: the
    // local rows stay until the user confirms.
    void anEmptiedCollectionAsksFirst() {
        World w;
        w.m.addTask(QStringLiteral("A"), at(2026, 12, 20, 9, 30));
        w.m.addTask(QStringLiteral("B"), at(2026, 12, 21, 9, 30));
        w.sync();
        w.phone.removeAll(w.cal);
        QVERIFY_THROWS_EXCEPTION(CollectionEmptied, w.sync());
        QCOMPARE(w.m.titles().size(), 2);
        w.options.acceptEmpty = true;
        QCOMPARE(w.sync().deleted, 2);
        QVERIFY(w.m.titles().isEmpty());
    }

    // An item from another client that cannot be a row is left alone on the
    // server and never counted as a local deletion.
    void itemsWeCannotRepresentStayAsTheyAre() {
        World w;
        const QByteArray todo =
            "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//Phone//EN\r\nBEGIN:VTODO\r\n"
            "UID:undated\r\nDTSTAMP:20261201T000000Z\r\nSUMMARY:Some day\r\nEND:VTODO\r\n"
            "END:VCALENDAR\r\n";
        QCOMPARE(w.phone.put(w.cal, QStringLiteral("undated.ics"), todo), 201);
        const auto before = w.phone.items(w.cal);
        QCOMPARE(countsText(w.sync()), QStringLiteral("0/0/0/0"));
        QCOMPARE(countsText(w.sync()), QStringLiteral("0/0/0/0"));
        // Never written by us: the same version (ETag) is on the server.
        QCOMPARE(w.phone.items(w.cal), before);
        QVERIFY(w.m.titles().isEmpty());
    }

    void wrongPasswordIsAnError() {
        World w;
        DavClient c(QString::fromLatin1(RadicaleServer::kUser), QStringLiteral("wrong"));
        QVERIFY_THROWS_EXCEPTION(SyncError, CollectionSync(*w.m.data, c, CollectionKind::Calendar, w.cal).run());
    }

    void discoveryFindsTheCollections() {
        World w;
        DavClient c(QString::fromLatin1(RadicaleServer::kUser), RadicaleServer::password());
        const Discovery d = discover(c, g_server->url());
        QCOMPARE(d.principal.path(), g_server->home().path());
        const auto has = [](const std::vector<DavCollection>& list, const QUrl& u) {
            return std::any_of(list.begin(), list.end(),
                               [&](const DavCollection& x) { return x.url.path() == u.path(); });
        };
        QVERIFY(has(d.calendars, w.cal));
        QVERIFY(has(d.addressBooks, w.book));
    }
};

QTEST_GUILESS_MAIN(TestSyncScenarios)
#include "tst_sync_scenarios.moc"
