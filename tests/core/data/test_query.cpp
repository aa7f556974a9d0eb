// The query object: reading, positioning, searching, editing and errors.

#include <gtest/gtest.h>

#include <fstream>

#include "core/data/sql/connection.h"
#include "core/data/sql/query.h"
#include "fake_clock.h"
#include "fixture_db.h"

using namespace ostrel::sql;
using ostrel::testing::TempDir;

namespace {

class QueryTest : public ::testing::Test {
protected:
    void SetUp() override {
        db = dir.path() / "Tamo.qdb";
        ostrel::testing::createOrganizerDatabase(db);
        ostrel::testing::execSql(db,
                                 "INSERT INTO ToDo (MesType, FirstDT, ShowDT, Title, Comment, PeriodInt, PeriodType, "
                                 "ElapseInt, ElapseType) VALUES "
                                 "(0, 100.5, 100.5, 'one', NULL, 0, 0, 1, 2),"
                                 "(0, 101.5, 101.5, 'two', 'c2', 2, 3, 30, 1),"
                                 "(10, 102.5, 102.5, 'three', 'c3', 0, 0, 1, 2),"
                                 "(3, 0.0625, NULL, NULL, 'c4', 0, 0, 1, 2);");
        conn.setPath(db.string());
    }
    std::vector<std::string> titles() {
        Query q(conn);
        q.add("SELECT Title FROM ToDo ORDER BY TDID");
        q.open();
        std::vector<std::string> out;
        for (; !q.eof(); q.next()) out.push_back(q.asString("Title"));
        return out;
    }

    TempDir dir{"ostrel query test"};
    std::filesystem::path db;
    Connection conn;
};

}  // namespace

TEST_F(QueryTest, NullsReadAsZeroAndEmpty) {
    Query q(conn);
    q.add("SELECT * FROM ToDo WHERE TDID = :TDID");
    q.param("TDID", ParamType::Integer, std::int64_t{4});
    q.open();
    ASSERT_FALSE(q.eof());
    EXPECT_TRUE(q.isNull("ShowDT"));
    EXPECT_EQ(q.asDateTime("ShowDT"), 0.0);
    EXPECT_EQ(q.asString("Title"), "");
    EXPECT_EQ(q.asInteger("Title"), 0);
    EXPECT_EQ(q.asDateTime("FirstDT"), 0.0625);
    EXPECT_EQ(q.asInteger("mestype"), 3);  // names without regard to case
    EXPECT_THROW(q.asInteger("NoSuchColumn"), DbError);
}

TEST_F(QueryTest, ForwardReadingPositioningAndRowNumbers) {
    Query q(conn);
    q.add("SELECT TDID, Title");
    q.add("FROM ToDo");
    q.add("ORDER BY 1");
    q.open();
    EXPECT_EQ(q.recordCount(), 4);
    EXPECT_EQ(q.recNo(), 1);
    q.setRecNo(3);
    EXPECT_EQ(q.asString("Title"), "three");
    q.setRecNo(99);  // past the end: the last row
    EXPECT_EQ(q.recNo(), 4);
    q.setRecNo(-5);
    EXPECT_EQ(q.recNo(), 1);
    q.last();
    q.next();
    EXPECT_TRUE(q.eof());
    EXPECT_EQ(q.recNo(), 0);
    EXPECT_EQ(q.asInteger("TDID"), 0);  // no current row reads as null

    Query empty(conn);
    empty.add("SELECT TDID FROM ToDo WHERE TDID = 0");
    empty.open();
    EXPECT_TRUE(empty.eof());
    EXPECT_EQ(empty.recordCount(), 0);
    EXPECT_EQ(empty.recNo(), 0);
    empty.setRecNo(1);
    EXPECT_EQ(empty.recNo(), 0);
}

TEST_F(QueryTest, LocateFindsTheFirstPrefixMatchOrStays) {
    Query q(conn);
    q.add("SELECT Title, TDID FROM ToDo WHERE Title IS NOT NULL ORDER BY 1");  // one, three, two
    q.open();
    q.setRecNo(2);
    EXPECT_TRUE(q.locate("Title", "t"));
    EXPECT_EQ(q.asString("Title"), "three");
    EXPECT_TRUE(q.locate("Title", "TW"));
    EXPECT_EQ(q.asString("Title"), "two");
    EXPECT_FALSE(q.locate("Title", "zz"));
    EXPECT_EQ(q.asString("Title"), "two");
    EXPECT_TRUE(q.locate("Title", ""));
    EXPECT_EQ(q.recNo(), 1);
}

TEST_F(QueryTest, EditAndPostChangesTheRowAndTheResult) {
    Query q(conn);
    q.add("SELECT ShowDT, MesType, PeriodInt");
    q.add("FROM ToDo");
    q.add("WHERE TDID = :ToDoID");
    q.param("ToDoID", ParamType::Integer, std::int64_t{3});
    q.open();
    ASSERT_TRUE(q.updatable());
    q.edit();
    q.setField("ShowDT", 200.25);
    q.setField("MesType", q.asInteger("MesType") - 10);
    EXPECT_EQ(q.asInteger("MesType"), 0);  // edits are visible before post
    q.post();

    Query check(conn);
    check.add("SELECT MesType, ShowDT, Title FROM ToDo WHERE TDID = 3");
    check.open();
    EXPECT_EQ(check.asInteger("MesType"), 0);
    EXPECT_EQ(check.asDateTime("ShowDT"), 200.25);
    EXPECT_EQ(check.asString("Title"), "three");
}

TEST_F(QueryTest, MovingOnPostsAPendingEdit) {
    Query q(conn);
    q.add("SELECT * FROM ToDo WHERE PeriodInt = 0 ORDER BY TDID");
    q.open();
    for (; !q.eof(); q.next()) {
        q.edit();
        q.setField("MesType", q.asInteger("MesType") + 10);
    }
    Query check(conn);
    check.add("SELECT Sum(MesType) AS S FROM ToDo WHERE PeriodInt = 0");
    check.open();
    EXPECT_EQ(check.asInteger("S"), 10 + 20 + 13);
}

TEST_F(QueryTest, DeleteRowKeepsThePositionOrFallsBackToTheLast) {
    Query q(conn);
    q.add("SELECT TRIM(Title || '  ' || Comment) AS Name, TDID FROM ToDo ORDER BY TDID");
    q.open();
    q.setRecNo(2);
    q.deleteRow();
    EXPECT_EQ(q.recordCount(), 3);
    EXPECT_EQ(q.recNo(), 2);
    EXPECT_EQ(q.asInteger("TDID"), 3);
    q.last();
    q.deleteRow();
    EXPECT_EQ(q.recNo(), 2);
    EXPECT_EQ(q.asInteger("TDID"), 3);
    EXPECT_EQ(titles(), (std::vector<std::string>{"one", "three"}));
}

TEST_F(QueryTest, JoinedAndUnitedResultsAreReadOnly) {
    Query q(conn);
    q.add(
        "SELECT TDID, ShowDT, Title, Str(ElapseInt) || ' '  || TimePeriods.Descript AS ActiveTime, "
        "Str(PeriodInt) || ' ' || TimePeriods1.Descript AS Cycle");
    q.add(
        "FROM (ToDo LEFT JOIN TimePeriods ON ToDo.ElapseType = TimePeriods.TPID) LEFT JOIN TimePeriods AS "
        "TimePeriods1 ON ToDo.PeriodType = TimePeriods1.TPID");
    q.add("WHERE (MesType IN (0, 3, 10, 13)) AND (PeriodInt > 0)");
    q.add("  UNION");
    q.add("SELECT TDID, ShowDT, Title, Str(ElapseInt) || ' '  || TimePeriods.Descript, ' --- '");
    q.add(
        "FROM (ToDo LEFT JOIN TimePeriods ON ToDo.ElapseType = TimePeriods.TPID) LEFT JOIN TimePeriods AS "
        "TimePeriods1 ON ToDo.PeriodType = TimePeriods1.TPID");
    q.add("WHERE (MesType IN (0, 3, 10, 13)) AND (PeriodInt = 0)");
    q.add("ORDER BY ShowDT");
    q.open();
    ASSERT_EQ(q.recordCount(), 4);
    EXPECT_FALSE(q.updatable());
    // Null ShowDT sorts first; then by time.
    EXPECT_EQ(q.asInteger("TDID"), 4);
    q.next();
    EXPECT_EQ(q.asString("ActiveTime"), " 1 hours");
    EXPECT_EQ(q.asString("Cycle"), " --- ");
    q.next();
    EXPECT_EQ(q.asString("ActiveTime"), " 30 minutes");
    EXPECT_EQ(q.asString("Cycle"), " 2 days");
    EXPECT_THROW(q.edit(), DbError);
    EXPECT_THROW(q.deleteRow(), DbError);
}

TEST_F(QueryTest, ParametersAreMatchedByNameAndMustBeGiven) {
    Query q(conn);
    q.add("SELECT Title FROM ToDo WHERE TDID = :tdid");
    q.param("TDID", ParamType::Integer, std::string("2"));  // converted to the declared kind
    q.open();
    EXPECT_EQ(q.asString("Title"), "two");

    Query missing(conn);
    missing.add("SELECT Title FROM ToDo WHERE TDID = :Other");
    EXPECT_THROW(missing.open(), DbError);
    EXPECT_THROW(missing.set("Unknown", std::int64_t{1}), DbError);
}

TEST_F(QueryTest, ExecReportsChangesAndEngineErrorsCarryTheEngineText) {
    Query del(conn);
    del.add("DELETE");
    del.add("FROM ToDo");
    del.add("WHERE TDID = :TDID");
    del.param("TDID", ParamType::Integer, std::int64_t{0});
    EXPECT_EQ(del.exec(), 0);
    del.set("TDID", std::int64_t{1});
    EXPECT_EQ(del.exec(), 1);

    Query bad(conn);
    bad.add("SELECT X FROM NoSuchTable");
    try {
        bad.open();
        FAIL() << "no error";
    } catch (const DbError& e) {
        // The engine's text, and which file it concerns.
        EXPECT_EQ(std::string(e.what()),
                  "no such table: NoSuchTable (database \"" + std::filesystem::canonical(conn.path()).string() + "\")");
    }
}

TEST_F(QueryTest, AMissingOrDamagedFileFailsAtTheFirstStatement) {
    Connection missing((dir.path() / "nothing here.qdb").string());
    EXPECT_FALSE(missing.isOpen());
    Query q(missing);
    q.add("SELECT 1 AS X");
    EXPECT_THROW(q.open(), DbError);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "nothing here.qdb"));  // never created

    const auto junk = dir.path() / "junk.qdb";
    { std::ofstream(junk) << "this is not a database, just some text that is long enough to have a header"; }
    Connection damaged(junk.string());
    Query q2(damaged);
    q2.add("SELECT 1 AS X");
    try {
        q2.open();
        FAIL() << "no error";
    } catch (const DbError& e) {
        EXPECT_NE(std::string(e.what()).find("not a database"), std::string::npos) << e.what();
    }
}

TEST_F(QueryTest, BracketedGroupColumnWorks) {
    ostrel::testing::execSql(db, "INSERT INTO AddressBook (LastName, FirstName, [Group]) VALUES ('Smith', 'Ann', 2);");
    Query q(conn);
    q.add("SELECT TRIM(FirstName || '  ' || LastName) AS ContactName, ABID");
    q.add("FROM AddressBook");
    q.add("WHERE AddressBook.[Group] in (:Group1, :Group2, :Group3, :Group4)");
    q.add("ORDER BY 1 ");
    for (int g = 1; g <= 4; ++g) q.param("Group" + std::to_string(g), ParamType::Integer, std::int64_t{g == 2 ? 2 : 0});
    q.open();
    ASSERT_EQ(q.recordCount(), 1);
    EXPECT_EQ(q.asString("ContactName"), "Ann  Smith");
    q.deleteRow();
    EXPECT_EQ(q.recordCount(), 0);
}

TEST_F(QueryTest, RowsFetchedOnDemandReadLikeAWholeResult) {
    ostrel::testing::execSql(db,
                             "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 996) "
                             "INSERT INTO ToDo (MesType, Title) SELECT 0, 'row ' || i FROM n;");
    Query q(conn);
    q.setFetchOnDemand(true);
    q.add("SELECT TDID, Title FROM ToDo ORDER BY TDID");
    q.open();
    EXPECT_EQ(q.fetchedCount(), 0);
    EXPECT_FALSE(q.eof());
    EXPECT_EQ(q.asInteger("TDID"), 1);
    q.next();
    EXPECT_EQ(q.asInteger("TDID"), 2);
    EXPECT_EQ(q.fetchedCount(), 2);
    q.setRecNo(10);
    EXPECT_EQ(q.asInteger("TDID"), 10);
    EXPECT_TRUE(q.fetchMore(5));
    EXPECT_EQ(q.fetchedCount(), 15);
    EXPECT_FALSE(q.fetchedAll());
    EXPECT_EQ(q.recordCount(), 1000);  // reads the rest
    EXPECT_TRUE(q.fetchedAll());
    EXPECT_FALSE(q.fetchMore(1));

    // Walking the whole result on demand sees every row once.
    Query walk(conn);
    walk.setFetchOnDemand(true);
    walk.add("SELECT TDID FROM ToDo ORDER BY TDID");
    walk.open();
    std::int64_t expected = 1;
    for (; !walk.eof(); walk.next()) EXPECT_EQ(walk.asInteger("TDID"), expected++);
    EXPECT_EQ(expected, 1001);

    // Deleting the last row read brings in the next one.
    Query del(conn);
    del.setFetchOnDemand(true);
    del.add("SELECT * FROM ToDo ORDER BY TDID");
    del.open();
    EXPECT_EQ(del.asInteger("TDID"), 1);
    del.deleteRow();
    EXPECT_EQ(del.asInteger("TDID"), 2);
    EXPECT_EQ(del.recNo(), 1);
}
