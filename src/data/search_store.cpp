#include "data/search_store.h"

#include <algorithm>
#include <string>

#include "core/data/sql/query.h"
#include "core/data/sql/transaction.h"
#include "core/text/fold.h"

namespace ostrel {

using sql::ParamType;

namespace {

// Rows read from one table for one query before ranking.
constexpr int kFetchLimit = 2000;

std::string yoAsYe(const std::string& text) { return "replace(replace(" + text + ", 'ё', 'е'), 'Ё', 'Е')"; }

std::string toDoBody(const std::string& p) {
    return "coalesce(" + p + "Title, '') || char(10) || coalesce(" + p + "Comment, '')";
}

std::string digitsOf(const std::string& column) {
    std::string s = "coalesce(" + column + ", '')";
    for (const char* c : {" ", "-", "(", ")", ".", "+"}) s = "replace(" + s + ", '" + c + "', '')";
    return s;
}

std::string contactBody(const std::string& p) {
    std::string s = "coalesce(" + p + "FirstName, '') || ' ' || coalesce(" + p + "LastName, '') || char(10) || coalesce(" +
                    p + "LastName, '') || ' ' || coalesce(" + p + "FirstName, '')";
    for (const char* c : {"HomePhone", "JobPhone", "MobilePhone", "Mail"})
        s += " || char(10) || coalesce(" + p + c + ", '')";
    for (const char* c : {"HomePhone", "JobPhone", "MobilePhone"}) s += " || char(10) || " + digitsOf(p + c);
    return s;
}

void exec(sql::Connection& conn, const std::string& statement) {
    sql::Query q(conn);
    q.add(statement);
    q.exec();
}

// A query as one FTS5 phrase: the folded text in double quotes.
std::string phrase(const std::string& folded) {
    std::string out = "\"";
    for (char c : folded) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

// Every spelling of a short folded query in upper and lower case (the
// index's text keeps its case; "ё" is "е" there already).
std::vector<std::string> caseVariants(const std::string& query) {
    std::vector<QString> variants{QString()};
    for (QChar c : QString::fromStdString(query)) {
        const QChar upper = c.toUpper();
        std::vector<QString> next;
        for (const QString& v : variants) {
            next.push_back(v + c);
            if (upper != c) next.push_back(v + upper);
        }
        variants = std::move(next);
    }
    std::vector<std::string> out;
    for (const QString& v : variants) out.push_back(v.toStdString());
    return out;
}

// A scan of an index's own copy of the text (its content table) for any
// spelling of a short query.
void whereAnySpelling(sql::Query& q, const char* contentTable, const std::string& query) {
    const std::vector<std::string> variants = caseVariants(query);
    std::string where = "WHERE rowid IN (SELECT id FROM " + std::string(contentTable) + " WHERE ";
    for (std::size_t i = 0; i < variants.size(); ++i) {
        if (i > 0) where += " OR ";
        where += "instr(c0, :V" + std::to_string(i) + ") > 0";
    }
    q.add(where + " LIMIT " + std::to_string(kFetchLimit) + ")");
    for (std::size_t i = 0; i < variants.size(); ++i)
        q.param("V" + std::to_string(i), ParamType::Text, variants[i]);
}

std::string folded(const QString& text) { return foldForMatch(text.toStdString()); }

// The first line of text that holds the query.
QString matchingLine(const QString& text, const std::string& query) {
    for (const QString& line : text.split(QLatin1Char('\n')))
        if (folded(line).find(query) != std::string::npos) return line.trimmed();
    return {};
}

std::string digitsOnly(const QString& s) {
    std::string out;
    for (QChar c : s)
        if (c.isDigit()) out += static_cast<char>(c.unicode());
    return out;
}

}  // namespace

SearchStore::SearchStore(sql::Connection& connection, QObject* parent) : QObject(parent), conn_(connection) {
    setObjectName(QStringLiteral("SearchStore"));
}

bool SearchStore::hasIndex() {
    sql::Query q(conn_);
    q.add("SELECT count(*) AS N FROM sqlite_master WHERE name IN ('SearchToDo', 'SearchContacts')");
    q.open();
    return q.asInteger("N") == 2;
}

bool SearchStore::ensureIndex() {
    if (indexState_ >= 0) return indexState_ == 1;
    try {
        if (hasIndex()) {
            indexState_ = 1;
            return true;
        }
        sql::Transaction t(conn_);
        exec(conn_, "DROP TABLE IF EXISTS SearchToDo");
        exec(conn_, "DROP TABLE IF EXISTS SearchContacts");
        exec(conn_, "CREATE VIRTUAL TABLE SearchToDo USING fts5(Body, tokenize = 'trigram')");
        exec(conn_, "CREATE VIRTUAL TABLE SearchContacts USING fts5(Body, tokenize = 'trigram')");
        exec(conn_, "CREATE TRIGGER IF NOT EXISTS SearchToDo_Insert AFTER INSERT ON ToDo BEGIN "
                    "INSERT INTO SearchToDo (rowid, Body) VALUES (new.TDID, " +
                        yoAsYe(toDoBody("new.")) + "); END");
        exec(conn_, "CREATE TRIGGER IF NOT EXISTS SearchToDo_Update AFTER UPDATE OF TDID, Title, Comment ON ToDo BEGIN "
                    "DELETE FROM SearchToDo WHERE rowid = old.TDID; "
                    "INSERT INTO SearchToDo (rowid, Body) VALUES (new.TDID, " +
                        yoAsYe(toDoBody("new.")) + "); END");
        exec(conn_, "CREATE TRIGGER IF NOT EXISTS SearchToDo_Delete AFTER DELETE ON ToDo BEGIN "
                    "DELETE FROM SearchToDo WHERE rowid = old.TDID; END");
        exec(conn_, "CREATE TRIGGER IF NOT EXISTS SearchContacts_Insert AFTER INSERT ON AddressBook BEGIN "
                    "INSERT INTO SearchContacts (rowid, Body) VALUES (new.ABID, " +
                        yoAsYe(contactBody("new.")) + "); END");
        exec(conn_, "CREATE TRIGGER IF NOT EXISTS SearchContacts_Update AFTER UPDATE ON AddressBook BEGIN "
                    "DELETE FROM SearchContacts WHERE rowid = old.ABID; "
                    "INSERT INTO SearchContacts (rowid, Body) VALUES (new.ABID, " +
                        yoAsYe(contactBody("new.")) + "); END");
        exec(conn_, "CREATE TRIGGER IF NOT EXISTS SearchContacts_Delete AFTER DELETE ON AddressBook BEGIN "
                    "DELETE FROM SearchContacts WHERE rowid = old.ABID; END");
        exec(conn_, "INSERT INTO SearchToDo (rowid, Body) SELECT TDID, " + yoAsYe(toDoBody("")) + " FROM ToDo");
        exec(conn_, "INSERT INTO SearchContacts (rowid, Body) SELECT ABID, " + yoAsYe(contactBody("")) +
                        " FROM AddressBook");
        t.commit();
        indexState_ = 1;
    } catch (const sql::DbError& e) {
        // Another program's lock passes: try again at the next search.
        indexState_ = e.busy() ? -1 : 0;
        return false;
    }
    return indexState_ == 1;
}

std::vector<FoundItem> SearchStore::find(const QString& query, int perKind) {
    const std::string q = foldForMatch(query.trimmed().toStdString());
    std::vector<FoundItem> found;
    if (q.empty() || perKind <= 0) return found;
    // Three letters or more: the trigram index. Fewer: a scan of the
    // index's copy of the text, or of the tables themselves without an index.
    const bool indexed = ensureIndex();
    const bool trigrams = indexed && characterCount(q) >= 3;
    const bool shortScan = indexed && !trigrams && characterCount(q) <= 2;

    {
        sql::Query t(conn_);
        t.add("SELECT ToDo.TDID, ToDo.MesType, ToDo.Title, ToDo.Comment, ToDo.ShowDT, ToDo.FirstDT");
        if (trigrams) {
            t.add("FROM SearchToDo JOIN ToDo ON ToDo.TDID = SearchToDo.rowid");
            t.add("WHERE SearchToDo MATCH :Q");
            t.param("Q", ParamType::Text, phrase(q));
        } else if (shortScan) {
            t.add("FROM ToDo");
            whereAnySpelling(t, "SearchToDo_content", q);
        } else {
            t.add("FROM ToDo");
            t.add("WHERE instr(Fold(" + toDoBody("") + "), :Q) > 0");
            t.param("Q", ParamType::Text, q);
        }
        t.add("LIMIT :N");
        t.param("N", ParamType::Integer, std::int64_t{kFetchLimit});
        t.open();
        for (; !t.eof(); t.next()) {
            FoundItem item;
            const std::int64_t type = t.asInteger("MesType");
            if (type == 1) item.kind = FoundKind::Plan;
            else if (type == 2) item.kind = FoundKind::Holiday;
            else if (type == 0 || type == 3 || type == 10 || type == 13) item.kind = FoundKind::Task;
            else continue;
            item.id = t.asInteger("TDID");
            item.text = QString::fromStdString(t.asString("Title"));
            item.when = item.kind == FoundKind::Holiday ? t.asDateTime("FirstDT") : t.asDateTime("ShowDT");
            item.rank = matchRank(folded(item.text), q);
            if (item.rank == MatchRank::None) item.detail = matchingLine(QString::fromStdString(t.asString("Comment")), q);
            found.push_back(std::move(item));
        }
    }
    {
        sql::Query c(conn_);
        c.add("SELECT ABID, FirstName, LastName, HomePhone, JobPhone, MobilePhone, Mail, Birthday");
        if (trigrams) {
            c.add("FROM SearchContacts JOIN AddressBook ON AddressBook.ABID = SearchContacts.rowid");
            c.add("WHERE SearchContacts MATCH :Q");
            c.param("Q", ParamType::Text, phrase(q));
        } else if (shortScan) {
            c.add("FROM AddressBook");
            whereAnySpelling(c, "SearchContacts_content", q);
        } else {
            c.add("FROM AddressBook");
            c.add("WHERE instr(Fold(" + contactBody("") + "), :Q) > 0");
            c.param("Q", ParamType::Text, q);
        }
        c.add("LIMIT :N");
        c.param("N", ParamType::Integer, std::int64_t{kFetchLimit});
        c.open();
        for (; !c.eof(); c.next()) {
            FoundItem item;
            item.kind = FoundKind::Contact;
            item.id = c.asInteger("ABID");
            const QString first = QString::fromStdString(c.asString("FirstName")).trimmed();
            const QString last = QString::fromStdString(c.asString("LastName")).trimmed();
            item.text = (first + QLatin1Char(' ') + last).trimmed();
            item.when = c.isNull("Birthday") ? 0.0 : c.asDateTime("Birthday");
            item.rank = std::min(matchRank(folded(item.text), q), matchRank(folded(last + QLatin1Char(' ') + first), q));
            if (item.rank == MatchRank::None) {
                for (const char* column : {"HomePhone", "JobPhone", "MobilePhone", "Mail"}) {
                    const QString value = QString::fromStdString(c.asString(column));
                    if (folded(value).find(q) != std::string::npos ||
                        (!digitsOnly(value).empty() && digitsOnly(value).find(q) != std::string::npos)) {
                        item.detail = value;
                        break;
                    }
                }
            }
            found.push_back(std::move(item));
        }
    }

    std::sort(found.begin(), found.end(), [](const FoundItem& a, const FoundItem& b) {
        if (a.kind != b.kind) return a.kind < b.kind;
        if (a.rank != b.rank) return a.rank < b.rank;
        if (const int c = a.text.compare(b.text, Qt::CaseInsensitive); c != 0) return c < 0;
        return a.id < b.id;
    });
    // At most perKind of each kind.
    std::vector<FoundItem> out;
    int inKind = 0;
    for (std::size_t i = 0; i < found.size(); ++i) {
        inKind = (i > 0 && found[i].kind == found[i - 1].kind) ? inKind + 1 : 0;
        if (inKind < perKind) out.push_back(std::move(found[i]));
    }
    return out;
}

}  // namespace ostrel
