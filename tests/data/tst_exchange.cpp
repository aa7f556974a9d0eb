// Calendar and contact files through the stores: every kind of row out and
// back in (into the same database and into another), files of other
// programs, identifiers that update instead of doubling, and files that
// change nothing because they cannot be taken whole.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QtTest>

#include "base/app_paths.h"
#include "base/language_texts.h"
#include "core/data/period.h"
#include "core/data/sql/query.h"
#include "data/data_module.h"
#include "data/exchange_service.h"
#include "data/mes_type.h"
#include "data/plan_store.h"
#include "data/reminder_engine.h"
#include "fake_clock.h"
#include "fixture_db.h"

using namespace ostrel;

namespace {

DateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return encodeDateTime({{y, mo, d}, {h, mi, s, 0}});
}

QString fixture(const char* name) {
    return QStringLiteral(OSTREL_SOURCE_DIR "/tests/fixtures/exchange/") + QLatin1String(name);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Every row of a table as text, in key order, without the key.
QStringList dump(sql::Connection& conn, const char* table) {
    sql::Query q(conn);
    q.add(std::string("SELECT * FROM ") + table + " ORDER BY 1");
    q.open();
    QStringList rows;
    for (q.first(); !q.eof(); q.next()) {
        QStringList fields;
        for (std::size_t c = 1; c < q.columnNames().size(); ++c) {
            const std::string& name = q.columnNames()[c];
            fields << (q.isNull(name) ? QStringLiteral("NULL") : QString::fromStdString(q.asString(name)));
        }
        rows << fields.join(QLatin1Char('|'));
    }
    return rows;
}

std::int64_t count(sql::Connection& conn, const std::string& what) {
    sql::Query q(conn);
    q.add("SELECT Count(*) AS N FROM " + what);
    q.open();
    return q.asInteger("N");
}

// A program folder with its database and data module.
struct Organizer {
    testing::TempDir dir{"ostrel exchange"};
    QString root = QString::fromStdString(dir.str());
    std::unique_ptr<TDataModule1> data;
    explicit Organizer() {
        setExeDirForTesting(root);
        QDir().mkpath(languagesDir());
        QFile::copy(QFileInfo(QStringLiteral(OSTREL_APP_EXE)).absolutePath() + QStringLiteral("/Languages/English.lng"),
                    languagesDir() + QStringLiteral("/English.lng"));
        SetCurrentLanguage(QStringLiteral("English"));
        testing::createOrganizerDatabase(databaseFilePath().toStdString());
        data = std::make_unique<TDataModule1>(databaseFilePath());
    }
    // Makes this folder the program's folder again (photos, language).
    void enter() { setExeDirForTesting(root); }
    ExchangeService service() { return ExchangeService(*data); }
    QString file(const char* name) const { return root + QLatin1Char('/') + QLatin1String(name); }
};

// One row of every kind the calendar carries.
void fillEveryKind(TDataModule1& data) {
    auto task = [&](const char* title, DateTime first, std::int64_t mesType, std::int64_t periodInt,
                    std::int64_t periodType, std::int64_t elapseInt, std::int64_t elapseType) {
        TaskRow t;
        t.FirstDT = first;
        t.ShowDT = mesType == 3 || mesType == 13 ? first + ReminderEngine::LoadingTime() : first;
        t.mesType = mesTypeFromStored(mesType);
        t.Title = QString::fromUtf8(title);
        t.Comment = QStringLiteral("About %1:\nsecond line, with; separators").arg(t.Title);
        t.PeriodInt = periodInt;
        t.PeriodType = periodUnitFromStored(periodType);
        t.ElapseInt = elapseInt;
        t.ElapseType = periodUnitFromStored(elapseType);
        data.tasks().insertTask(t);
    };
    task("Once", at(2027, 1, 15, 9, 30, 0), 0, 0, 0, 30, puMinutes);
    task("Dealt with", at(2026, 12, 1, 8, 0, 0), 10, 0, 0, 1, puHours);
    const char* names[] = {"Every 5 minutes", "Every 2 hours", "Every day",
                           "Every 3 weeks",   "Every month",   "Every year"};
    for (int u = puMinutes; u <= puYears; ++u)
        task(names[u - 1], at(2026, 1, 31, 7, 15, 0), 0,
             u == puMinutes ? 5
             : u == puHours ? 2
             : u == puWeeks ? 3
                            : 1,
             u, 2, u <= puDays ? u : puDays);
    task("30 minutes after start", 30 / 1440.0, 3, 0, 0, 10, puMinutes);
    task("Every hour from 2 hours after start", 2 / 24.0, 3, 1, puHours, 1, puHours);
    task("45 minutes after start, dealt with", 45 / 1440.0, 13, 0, 0, 1, puHours);
    HolidayRow h;
    h.FirstDT = at(1984, 2, 29);
    h.Title = QStringLiteral("День рождения  ");  // blanks as typed
    h.Comment = QStringLiteral("Торт");
    h.ElapseInt = 3;
    data.holidays().insertHoliday(h);
    h.FirstDT = at(2026, 1, 1);
    h.Title = QStringLiteral("New Year");
    h.Comment.clear();
    h.ElapseInt = 0;
    data.holidays().insertHoliday(h);
    data.plans().insertPlan(QStringLiteral("Dentist"), at(2027, 1, 5, 10, 0), 3);
}

// The columns a calendar file carries, for comparing two databases.
QStringList calendarRows(sql::Connection& conn) {
    sql::Query q(conn);
    q.add("SELECT MesType, FirstDT, Title, Comment, PeriodInt, PeriodType, ElapseInt, ElapseType,");
    q.add("  CASE WHEN MesType IN (0, 1, 10) THEN ShowDT ELSE NULL END AS Shown");
    q.add("FROM ToDo ORDER BY MesType, Title");
    q.open();
    QStringList rows;
    for (q.first(); !q.eof(); q.next()) {
        const bool plan = q.asInteger("MesType") == 1;
        rows << QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8|%9")
                    .arg(q.asInteger("MesType"))
                    .arg(plan ? QString() : QString::number(q.asFloat("FirstDT"), 'f', 6))
                    // Blanks around a title do not travel (docs/exchange.md).
                    .arg(QString::fromStdString(q.asString("Title")).trimmed(),
                         QString::fromStdString(q.asString("Comment")))
                    .arg(plan ? 0 : q.asInteger("PeriodInt"))
                    .arg(plan ? 0 : q.asInteger("PeriodType"))
                    .arg(q.asInteger("ElapseInt"))
                    .arg(plan ? 0 : q.asInteger("ElapseType"))
                    .arg(q.isNull("Shown") ? QString() : QString::number(q.asFloat("Shown"), 'f', 6));
    }
    return rows;
}

}  // namespace

class TestExchange : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { setExeDirForTesting({}); }

    void calendarRoundTripKeepsEveryRow() {
        testing::ScopedFakeClock clock{at(2026, 12, 10, 15, 0)};
        Organizer a;
        fillEveryKind(*a.data);
        const QStringList before = dump(a.data->connTAMO, "ToDo");
        QCOMPARE(before.size(), 14);

        const QString file = a.file("calendar.ics");
        QCOMPARE(a.service().exportCalendar(file).written, 14);
        QVERIFY(readAll(file).startsWith("BEGIN:VCALENDAR\r\n"));

        // Our own file imported again changes nothing, and no view is told
        // of a change.
        QSignalSpy tasksChanged(&a.data->tasks(), &TaskStore::changed);
        ExchangeResult again = a.service().importCalendar(file);
        QCOMPARE(again.added, 0);
        QCOMPARE(again.updated, 0);
        QCOMPARE(again.unchanged, 14);
        QCOMPARE(dump(a.data->connTAMO, "ToDo"), before);
        QCOMPARE(tasksChanged.count(), 0);

        // Another database gets the same rows...
        Organizer b;
        ExchangeResult fresh = b.service().importCalendar(file);
        QCOMPARE(fresh.added, 14);
        QCOMPARE(calendarRows(b.data->connTAMO), calendarRows(a.data->connTAMO));
        // ...with the same identifiers: its export, imported back into the
        // first, is the first's own rows.
        b.enter();
        QVERIFY(b.service().exportCalendar(b.file("back.ics")).written == 14);
        a.enter();
        ExchangeResult back = a.service().importCalendar(b.file("back.ics"));
        QCOMPARE(back.unchanged, 14);
        QCOMPARE(back.added, 0);
        QCOMPARE(dump(a.data->connTAMO, "ToDo"), before);
    }

    void contactRoundTripKeepsEveryFieldAndThePhoto() {
        Organizer a;
        const QByteArray jpeg = readAll(fixture("small.jpg"));
        writeFile(a.root + QStringLiteral("/pictures/anna.jpg"), jpeg);
        ContactRow anna;
        anna.LastName = QStringLiteral("Соколова");
        anna.FirstName = QStringLiteral("Анна");
        anna.Photo = QStringLiteral("pictures/anna.jpg");
        anna.Birthday = at(1990, 2, 28);
        anna.HomePhone = QStringLiteral("+7 495 123-45-67");
        anna.JobPhone = QStringLiteral("+7 495 765-43-21");
        anna.MobilePhone = QStringLiteral("+7 916 000-11-22");
        anna.Address = QStringLiteral("ул. Тверская, д. 1; кв. 5\nМосква");
        anna.Mail = QStringLiteral("anna@example.ru");
        anna.ICQ = QStringLiteral("123456");
        anna.Web_site = QStringLiteral("https://example.ru");
        anna.Comment = QStringLiteral("Line one\nLine two");
        anna.Group = cgFriends;
        a.data->contacts().insertContact(anna);
        ContactRow bare;
        bare.LastName = QStringLiteral("Only");
        bare.FirstName = QStringLiteral(" ");
        bare.Group = cgJob;
        a.data->contacts().insertContact(bare);
        const QStringList before = dump(a.data->connTAMO, "AddressBook");

        const QString file = a.file("contacts.vcf");
        QCOMPARE(a.service().exportContacts(file).written, 2);
        const ExchangeResult again = a.service().importContacts(file);
        QCOMPARE(again.unchanged, 2);
        QCOMPARE(dump(a.data->connTAMO, "AddressBook"), before);
        QVERIFY(!QFileInfo::exists(a.root + QStringLiteral("/Photos")));

        Organizer b;
        QCOMPARE(b.service().importContacts(file).added, 2);
        const std::vector<ContactRow> rows = b.data->contacts().allContacts();
        QCOMPARE(rows.size(), std::size_t{2});
        ContactRow got = rows[0];
        // The photo is written into "Photos" beside the program and stored
        // relative to it.
        QVERIFY(got.Photo && got.Photo->startsWith(QStringLiteral("Photos/")));
        QCOMPARE(readAll(resolvePhotoPath(*got.Photo)), jpeg);
        got.Photo = anna.Photo;
        got.ABID = anna.ABID;
        QCOMPARE(got, anna);
        QCOMPARE(rows[1].LastName, bare.LastName);
        QCOMPARE(rows[1].Group, bare.Group);
        // Imported again from b's export: the same photo file, nothing new.
        QVERIFY(b.service().exportContacts(b.file("b.vcf")).written == 2);
        const ExchangeResult bAgain = b.service().importContacts(b.file("b.vcf"));
        QCOMPARE(bAgain.unchanged, 2);
        QCOMPARE(QDir(b.root + QStringLiteral("/Photos")).entryList(QDir::Files).size(), 1);
    }

    void filesOfOtherProgramsBecomeRowsAndUpdateByIdentifier() {
        testing::ScopedFakeClock clock{at(2026, 12, 10, 15, 0)};
        Organizer o;
        const ExchangeResult r = o.service().importCalendar(fixture("calendar_programs.ics"));
        QCOMPARE(r.added, 12);
        QCOMPARE(r.skipped, 2);
        QCOMPARE(r.ruleNotKept, (QStringList{"Gym", "Course", "Rent (ended)"}));
        QCOMPARE(o.data->holidays().listHolidays().size(), std::size_t{2});
        QCOMPARE(o.data->plans().allPlans().size(), std::size_t{1});
        QCOMPARE(o.data->tasks().allTasks().size(), std::size_t{9});
        QVERIFY(ExchangeService::importSummary(r, QStringLiteral("x.ics"))
                    .startsWith(QStringLiteral("Imported from x.ics: 12 added, 0 updated, 0 unchanged, 2 left out. "
                                               "Repeating rules a task cannot follow were taken as their next "
                                               "occurrence: Gym; Course; Rent (ended).")));
        // The holiday reminds ahead of its date.
        const auto holidays = o.data->holidays().listHolidays();
        const auto birthday =
            std::find_if(holidays.begin(), holidays.end(), [](const HolidayRow& h) { return h.ElapseInt == 3; });
        QVERIFY(birthday != holidays.end());
        QCOMPARE(birthday->FirstDT, at(1985, 6, 23));

        const QStringList before = dump(o.data->connTAMO, "ToDo");
        QCOMPARE(o.service().importCalendar(fixture("calendar_programs.ics")).unchanged, 12);
        QCOMPARE(dump(o.data->connTAMO, "ToDo"), before);

        // The same identifier with a new title and time: that row changes.
        QByteArray text = readAll(fixture("calendar_programs.ics"));
        text.replace("SUMMARY:Morning run", "SUMMARY:Evening run");
        text.replace("DTSTART:20270302T070000", "DTSTART:20270302T190000");
        writeFile(o.file("changed.ics"), text);
        const ExchangeResult changed = o.service().importCalendar(o.file("changed.ics"));
        QCOMPARE(changed.updated, 1);
        QCOMPARE(changed.added, 0);
        QCOMPARE(count(o.data->connTAMO, "ToDo"), std::int64_t{12});
        sql::Query q(o.data->connTAMO);
        q.add("SELECT FirstDT, ShowDT FROM ToDo WHERE Title = 'Evening run'");
        q.open();
        QCOMPARE(q.recordCount(), 1);
        QCOMPARE(q.asDateTime("FirstDT"), at(2027, 3, 2, 19, 0));
        QCOMPARE(q.asDateTime("ShowDT"), at(2027, 3, 2, 19, 0));

        // Cards without identifiers: read twice, added once.
        const ExchangeResult cards = o.service().importContacts(fixture("phone_cards.vcf"));
        QCOMPARE(cards.added, 3);
        QCOMPARE(cards.skipped, 1);
        QCOMPARE(o.service().importContacts(fixture("phone_cards.vcf")).unchanged, 3);
        QCOMPARE(count(o.data->connTAMO, "AddressBook"), std::int64_t{3});
        // Three cards carry the same picture, each kept under its own name.
        const QStringList photos = QDir(o.root + QStringLiteral("/Photos")).entryList(QDir::Files);
        QCOMPARE(photos.size(), 3);
        for (const QString& p : photos)
            QCOMPARE(readAll(o.root + QStringLiteral("/Photos/") + p), readAll(fixture("small.jpg")));
    }

    // The running program and an import from the command line share the
    // file: identifiers the other process stored are the ones exported.
    void identifiersStoredByAnotherProcessAreUsed() {
        testing::ScopedFakeClock clock{at(2026, 12, 10, 15, 0)};
        Organizer running;
        QCOMPARE(running.service().exportCalendar(running.file("empty.ics")).written, 0);
        TDataModule1 commandLine(databaseFilePath());
        QCOMPARE(ExchangeService(commandLine).importCalendar(fixture("calendar_programs.ics")).added, 12);
        QCOMPARE(running.service().exportCalendar(running.file("all.ics")).written, 12);
        QVERIFY(readAll(running.file("all.ics")).contains("UID:tz-event@example.com"));
        QCOMPARE(running.service().importCalendar(fixture("calendar_programs.ics")).unchanged, 12);
    }

    void summaryNamesAtMostTenRules() {
        Organizer o;
        ExchangeResult r;
        r.added = 12;
        for (int i = 1; i <= 12; ++i) r.ruleNotKept << QStringLiteral("E%1").arg(i);
        QCOMPARE(ExchangeService::importSummary(r, QStringLiteral("f.ics")),
                 QStringLiteral("Imported from f.ics: 12 added, 0 updated, 0 unchanged, 0 left out. Repeating rules a "
                                "task cannot follow were taken as their next occurrence: E1; E2; E3; E4; E5; E6; E7; "
                                "E8; E9; E10; … (+2)."));
    }

    void fileThatCannotBeTakenWholeChangesNothing_data() {
        QTest::addColumn<bool>("calendar");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("text as a calendar")
            << true << QByteArray("just some words\n")
            << "is not an iCalendar file (it does not begin with BEGIN:VCALENDAR). Nothing was imported.";
        QTest::newRow("a card as a calendar")
            << true << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nN:A;B\r\nEND:VCARD\r\n")
            << "is not an iCalendar file (it does not begin with BEGIN:VCALENDAR). Nothing was imported.";
        QTest::newRow("a calendar as cards")
            << false << readAll(fixture("calendar_programs.ics"))
            << "is not a vCard file (it does not begin with BEGIN:VCARD). Nothing was imported.";
        QTest::newRow("binary zeros as a calendar")
            << true << QByteArray(1 << 20, '\0')
            << "is not an iCalendar file (it does not begin with BEGIN:VCALENDAR). Nothing was imported.";
        QTest::newRow("binary zeros as cards")
            << false << QByteArray(1 << 20, '\0')
            << "is not a vCard file (it does not begin with BEGIN:VCARD). Nothing was imported.";
        QTest::newRow("text before the first card")
            << false << QByteArray("My contacts\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nN:A;B\r\nEND:VCARD\r\n")
            << "is not a vCard file (it does not begin with BEGIN:VCARD). Nothing was imported.";
        QTest::newRow("more events than an import takes")
            << true
            << QByteArray("BEGIN:VCALENDAR\r\n") + QByteArray("BEGIN:VEVENT\r\nEND:VEVENT\r\n").repeated(100001) +
                   QByteArray("END:VCALENDAR\r\n")
            << "holds more than 100000 entries, the most one import takes. Nothing was imported.";
        QTest::newRow("more cards than an import takes")
            << false << QByteArray("BEGIN:VCARD\r\nN:A;B\r\nEND:VCARD\r\n").repeated(100001)
            << "holds more than 100000 entries, the most one import takes. Nothing was imported.";
        QTest::newRow("the last card does not end")
            << false << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nN:A;B\r\nEND:VCARD\r\nBEGIN:VCARD\r\nN:C;D\r\n")
            << "is not a vCard file (the last vCard does not end (END:VCARD is missing)). Nothing was imported.";
    }
    void fileThatCannotBeTakenWholeChangesNothing() {
        QFETCH(bool, calendar);
        QFETCH(QByteArray, text);
        QFETCH(QString, message);
        Organizer o;
        fillEveryKind(*o.data);
        const QStringList todo = dump(o.data->connTAMO, "ToDo");
        const QString file = o.file(calendar ? "bad.ics" : "bad.vcf");
        writeFile(file, text);
        try {
            if (calendar) o.service().importCalendar(file);
            else o.service().importContacts(file);
            QFAIL("the file was taken");
        } catch (const ExchangeFailure& e) {
            QCOMPARE(e.text(), QStringLiteral("The file ") + file + QLatin1Char(' ') + message);
        }
        QCOMPARE(dump(o.data->connTAMO, "ToDo"), todo);
        QCOMPARE(count(o.data->connTAMO, "AddressBook"), std::int64_t{0});
    }

    // A file bigger than an import reads is refused unread (a sparse file:
    // nothing is written to the disk), with the limit named.
    void fileOverTheLimitIsRefusedUnread() {
        Organizer o;
        for (const char* name : {"big.ics", "big.vcf"}) {
            const QString file = o.file(name);
            writeFile(file, "BEGIN:VCALENDAR\r\n");
            QVERIFY(QFile::resize(file, ImportLimits::kMaxFileBytes + 1));
            try {
                if (QByteArray(name).endsWith(".ics")) o.service().importCalendar(file);
                else o.service().importContacts(file);
                QFAIL("a file over the limit was read");
            } catch (const ExchangeFailure& e) {
                QCOMPARE(e.text(), QStringLiteral("The file ") + file +
                                       QStringLiteral(" cannot be read: it is larger than 64 MB, the most one import "
                                                      "reads. Nothing was imported."));
            }
        }
        QCOMPARE(count(o.data->connTAMO, "ToDo"), std::int64_t{0});
    }

    // An import asked to stop (a quit, Cancel) between two rows undoes what
    // it wrote; the reading and the writing are both asked.
    void stoppedImportChangesNothing_data() {
        QTest::addColumn<bool>("calendar");
        QTest::addColumn<double>("stopAt");
        QTest::newRow("calendar, reading") << true << 0.2;
        QTest::newRow("calendar, writing") << true << 0.7;
        QTest::newRow("cards, reading") << false << 0.2;
        QTest::newRow("cards, writing") << false << 0.7;
    }
    void stoppedImportChangesNothing() {
        QFETCH(bool, calendar);
        QFETCH(double, stopAt);
        testing::ScopedFakeClock clock{at(2026, 12, 10, 15, 0)};
        Organizer o;
        fillEveryKind(*o.data);
        const QStringList todo = dump(o.data->connTAMO, "ToDo");
        QByteArray text;
        for (int i = 0; i < 20; ++i)
            text += calendar ? QByteArray("BEGIN:VEVENT\r\nUID:e") + QByteArray::number(i) +
                                   "\r\nSUMMARY:Event\r\nDTSTART:20270101T100000\r\nEND:VEVENT\r\n"
                             : QByteArray("BEGIN:VCARD\r\nN:Name") + QByteArray::number(i) + ";A\r\nEND:VCARD\r\n";
        if (calendar) text = "BEGIN:VCALENDAR\r\n" + text + "END:VCALENDAR\r\n";
        const QString file = o.file(calendar ? "many.ics" : "many.vcf");
        writeFile(file, text);
        double last = -1;
        const ImportProgress progress = [&](double done) {
            last = done;
            return done < stopAt;
        };
        try {
            if (calendar) o.service().importCalendar(file, progress);
            else o.service().importContacts(file, progress);
            QFAIL("the import did not stop");
        } catch (const ExchangeFailure& e) {
            QCOMPARE(e.text(), QStringLiteral("The import was stopped. Nothing was imported."));
        }
        QVERIFY2(last >= stopAt && last < stopAt + 0.1, qPrintable(QString::number(last)));
        QCOMPARE(dump(o.data->connTAMO, "ToDo"), todo);
        QCOMPARE(count(o.data->connTAMO, "AddressBook"), std::int64_t{0});
    }

    // A photo bigger than an export embeds is left out on import, said in
    // the summary; the contact comes in without it.
    void photoOverTheExportLimitIsLeftOut() {
        Organizer o;
        QByteArray photo("\xFF\xD8\xFF\xE0", 4);
        photo += QByteArray(static_cast<int>(ImportLimits::kMaxPhotoBytes), 'j');
        const QByteArray text = "BEGIN:VCARD\r\nVERSION:4.0\r\nN:Big;Anna;;;\r\nPHOTO:data:image/jpeg;base64," +
                                photo.toBase64() +
                                "\r\nEND:VCARD\r\nBEGIN:VCARD\r\nVERSION:4.0\r\nN:Small;Bob;;;\r\n"
                                "PHOTO:data:image/jpeg;base64," +
                                QByteArray("\xFF\xD8\xFF\xE0small", 9).toBase64() + "\r\nEND:VCARD\r\n";
        writeFile(o.file("photos.vcf"), text);
        const ExchangeResult r = o.service().importContacts(o.file("photos.vcf"));
        QCOMPARE(r.added, 2);
        QCOMPARE(r.photoTooBig, QStringList{QStringLiteral("Anna Big")});
        QVERIFY2(ExchangeService::importSummary(r, QStringLiteral("p.vcf"))
                     .endsWith(QStringLiteral(" Photos over 16 MB were left out (the contacts themselves were "
                                              "imported): Anna Big.")),
                 qPrintable(ExchangeService::importSummary(r, QStringLiteral("p.vcf"))));
        QCOMPARE(QDir(photosDir()).entryList(QDir::Files).size(), 1);
        QCOMPARE(count(o.data->connTAMO, "AddressBook WHERE Photo IS NOT NULL AND Photo <> ''"), std::int64_t{1});
    }

    // A write that fails half-way (here a trigger refuses one row) leaves
    // the rows written before it undone.
    void failureHalfWayUndoesTheImport() {
        testing::ScopedFakeClock clock{at(2026, 12, 10, 15, 0)};
        Organizer o;
        testing::execSql(databaseFilePath().toStdString(),
                         "CREATE TRIGGER refuse BEFORE INSERT ON ToDo WHEN NEW.Title = 'Team meeting' "
                         "BEGIN SELECT RAISE(ABORT, 'refused'); END");
        QSignalSpy tasksChanged(&o.data->tasks(), &TaskStore::changed);
        QVERIFY_THROWS_EXCEPTION(std::exception, o.service().importCalendar(fixture("calendar_programs.ics")));
        QCOMPARE(tasksChanged.count(), 0);
        QCOMPARE(count(o.data->connTAMO, "ToDo"), std::int64_t{0});
        QCOMPARE(count(o.data->connTAMO, "ExchangeUid"), std::int64_t{0});
    }

    void unreadableAndUnwritableFilesAreRefused() {
        Organizer o;
        const QString missing = o.file("missing.ics");
        try {
            o.service().importCalendar(missing);
            QFAIL("a missing file was read");
        } catch (const ExchangeFailure& e) {
            QVERIFY2(e.text().startsWith(QStringLiteral("The file ") + missing + QStringLiteral(" cannot be read: ")),
                     qPrintable(e.text()));
        }
        const QString inMissingFolder = o.file("no/such/folder/out.vcf");
        try {
            o.service().exportContacts(inMissingFolder);
            QFAIL("a file was written into a missing folder");
        } catch (const ExchangeFailure& e) {
            QVERIFY2(e.text().startsWith(QStringLiteral("The file ") + inMissingFolder +
                                         QStringLiteral(" cannot be written: ")),
                     qPrintable(e.text()));
        }
    }
};

QTEST_GUILESS_MAIN(TestExchange)
#include "tst_exchange.moc"
