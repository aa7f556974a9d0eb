// Finding tasks, plans, holidays and contacts by a few letters: the order
// of the results, case and Cyrillic folding, phones by their digits, the
// index following every write (ours and another program's), and the
// short queries the index cannot answer.

#include <QtTest>

#include <sqlite3.h>

#include "core/data/sql/connection.h"
#include "data/contact_store.h"
#include "data/search_store.h"
#include "data/task_store.h"
#include "fixture_db.h"

using namespace ostrel;

namespace {

using Hit = QPair<int, QString>;  // kind, text (or "text | detail")

QList<Hit> hits(const std::vector<FoundItem>& items) {
    QList<Hit> out;
    for (const auto& i : items)
        out << Hit(static_cast<int>(i.kind), i.detail.isEmpty() ? i.text : i.text + QStringLiteral(" | ") + i.detail);
    return out;
}

constexpr int T = static_cast<int>(FoundKind::Task);
constexpr int P = static_cast<int>(FoundKind::Plan);
constexpr int H = static_cast<int>(FoundKind::Holiday);
constexpr int C = static_cast<int>(FoundKind::Contact);

}  // namespace

class TestSearchStore : public QObject {
    Q_OBJECT
    std::unique_ptr<ostrel::testing::TempDir> dir;
    std::unique_ptr<sql::Connection> conn;
    std::unique_ptr<SearchStore> search;

    std::filesystem::path db() const { return dir->path() / "Tamo.qdb"; }

private slots:
    void init() {
        dir = std::make_unique<ostrel::testing::TempDir>("ostrel search");
        ostrel::testing::createOrganizerDatabase(db());
        ostrel::testing::execSql(
            db(),
            "INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title, Comment) VALUES "
            "(0, 46000, 46000, 'Call Ann about the report', 'bring the key'),"
            "(10, 46001, 46001, 'Annual review', ''),"
            "(3, 0.1, 0.1, 'Plan the Ёлка party', 'ask Joanna'),"
            "(0, 46002, 46002, 'Pay rent', 'Anna''s flat' || char(10) || 'second line'),"
            "(1, 46003.5, 46003.5, 'Dentist appointment', ''),"
            "(2, 45000, 46100, 'День рождения Анны', ''),"
            "(2, 45001, 46101, 'New Year', '');"
            "INSERT INTO AddressBook (FirstName, LastName, MobilePhone, Mail, Birthday) VALUES "
            "('Ann', 'Smith', '+7 (912) 345-67-89', 'ann@example.org', 30000),"
            "('Анна', 'Петрова', NULL, NULL, NULL),"
            "('Joanna', 'Brown', '555 0101', 'jb@example.org', NULL);");
        conn = std::make_unique<sql::Connection>(db().string());
        search = std::make_unique<SearchStore>(*conn);
    }
    void cleanup() {
        search.reset();
        conn.reset();
        dir.reset();
    }

    void resultsByKindThenRank_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QList<Hit>>("expected");
        // The text's start, then a word's start, then inside a word, then a
        // match in the comment alone (named beside the title).
        QTest::newRow("ann") << "ann"
                             << QList<Hit>{{T, "Annual review"},
                                           {T, "Call Ann about the report"},
                                           {T, "Pay rent | Anna's flat"},
                                           {T, "Plan the Ёлка party | ask Joanna"},
                                           {C, "Ann Smith"},
                                           {C, "Joanna Brown"}};
        QTest::newRow("upper case") << "ANN A" << QList<Hit>{{T, "Call Ann about the report"}};
        QTest::newRow("cyrillic, any case") << "АНН"
                                            << QList<Hit>{{H, "День рождения Анны"}, {C, "Анна Петрова"}};
        QTest::newRow("ё as е") << "елка" << QList<Hit>{{T, "Plan the Ёлка party"}};
        QTest::newRow("е finds ё typed") << "ЁЛК" << QList<Hit>{{T, "Plan the Ёлка party"}};
        QTest::newRow("plan") << "dentist" << QList<Hit>{{P, "Dentist appointment"}};
        QTest::newRow("last name first") << "петрова анна" << QList<Hit>{{C, "Анна Петрова"}};
        QTest::newRow("phone by digits") << "3456789" << QList<Hit>{{C, "Ann Smith | +7 (912) 345-67-89"}};
        QTest::newRow("phone as typed") << "(912) 345" << QList<Hit>{{C, "Ann Smith | +7 (912) 345-67-89"}};
        QTest::newRow("e-mail") << "example.org"
                                << QList<Hit>{{C, "Ann Smith | ann@example.org"}, {C, "Joanna Brown | jb@example.org"}};
        // Fewer than three letters: no trigram, the same rules by a scan.
        QTest::newRow("two letters") << "ёл" << QList<Hit>{{T, "Plan the Ёлка party"}};
        QTest::newRow("one letter") << "Й" << QList<Hit>{};
        QTest::newRow("quote") << "\"" << QList<Hit>{};
        QTest::newRow("quotes inside") << "a\"b\"c" << QList<Hit>{};
        QTest::newRow("fts syntax is text") << "ann OR rent" << QList<Hit>{};
        QTest::newRow("blank") << "   " << QList<Hit>{};
    }
    void resultsByKindThenRank() {
        QFETCH(QString, query);
        QFETCH(QList<Hit>, expected);
        QCOMPARE(hits(search->find(query)), expected);
    }

    void atMostPerKind() {
        const auto found = search->find(QStringLiteral("ann"), 2);
        QCOMPARE(hits(found), (QList<Hit>{{T, "Annual review"},
                                          {T, "Call Ann about the report"},
                                          {C, "Ann Smith"},
                                          {C, "Joanna Brown"}}));
    }

    // The index is made on the first search, not before, and follows every
    // write afterwards: the stores' and another program's.
    void theIndexFollowsEveryWrite() {
        QVERIFY(!search->hasIndex());
        QCOMPARE(search->find(QStringLiteral("report")).size(), std::size_t{1});
        QVERIFY(search->hasIndex());

        TaskStore tasks(*conn);
        TaskRow row;
        row.Title = QStringLiteral("Annotate the report");
        const auto id = static_cast<std::int32_t>(tasks.insertTask(row));
        QCOMPARE(search->find(QStringLiteral("report")).size(), std::size_t{2});
        row = tasks.task(id);
        row.Title = QStringLiteral("Annotate");
        row.Comment = QStringLiteral("Ещё раз");
        tasks.updateTask(row);
        QCOMPARE(search->find(QStringLiteral("report")).size(), std::size_t{1});
        QCOMPARE(hits(search->find(QStringLiteral("еще"))), (QList<Hit>{{T, "Annotate | Ещё раз"}}));
        tasks.removeTask(id);
        QVERIFY(search->find(QStringLiteral("annotate")).empty());

        ContactStore contacts(*conn);
        auto ann = contacts.person(1).value();
        ann.LastName = QStringLiteral("Jones");
        contacts.updateContact(1, ann);
        QCOMPARE(hits(search->find(QStringLiteral("jones"))), (QList<Hit>{{C, "Ann Jones"}}));
        QVERIFY(search->find(QStringLiteral("smith")).empty());

        // Another program writes the file: the triggers live in it.
        conn->close();
        ostrel::testing::execSql(db(), "INSERT INTO ToDo (Title) VALUES ('Written elsewhere');"
                                       "DELETE FROM AddressBook WHERE LastName = 'Brown';");
        QCOMPARE(hits(search->find(QStringLiteral("elsewhere"))), (QList<Hit>{{T, "Written elsewhere"}}));
        QVERIFY(search->find(QStringLiteral("joanna b")).empty());
    }

    // While another program holds the write lock the index cannot be made:
    // the same results come from a scan, and the index is made once the
    // lock is gone.
    void aLockedFileIsScannedAndIndexedLater() {
        const QStringList queries{QStringLiteral("ann"), QStringLiteral("ЕЛКА"), QStringLiteral("3456789"),
                                  QStringLiteral("example"), QStringLiteral("анны"), QStringLiteral("петрова а")};
        conn->setBusyTimeout(0);
        std::vector<QList<Hit>> scanned;
        {
            sql::Connection other(db().string());
            sqlite3_exec(other.handle(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
            for (const QString& q : queries) scanned.push_back(hits(search->find(q)));
            QVERIFY(!search->hasIndex());
        }
        for (qsizetype i = 0; i < queries.size(); ++i) {
            QVERIFY2(!scanned[static_cast<std::size_t>(i)].isEmpty(), qPrintable(queries[i]));
            QCOMPARE(hits(search->find(queries[i])), scanned[static_cast<std::size_t>(i)]);
        }
        QVERIFY(search->hasIndex());
    }
};

QTEST_MAIN(TestSearchStore)
#include "tst_search_store.moc"
