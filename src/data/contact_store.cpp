#include "data/contact_store.h"

#include <algorithm>

#include "core/data/birthdays.h"

namespace ostrel {

using sql::ParamType;
using sql::Value;

namespace {

Value textValue(const QString& s) { return s.toStdString(); }

Value optionalText(const std::optional<QString>& s) {
    if (!s) return std::monostate{};
    return s->toStdString();
}

std::optional<QString> optionalText(const sql::Query& q, const char* column) {
    if (q.isNull(column)) return std::nullopt;
    return QString::fromStdString(q.asString(column));
}

// The parameters the insert and the update share, every one bound afresh.
void bindContact(sql::Query& q, const ContactRow& c) {
    q.param("LastName", ParamType::Text, textValue(c.LastName));
    q.param("FirstName", ParamType::Text, textValue(c.FirstName));
    q.param("Photo", ParamType::Text, optionalText(c.Photo));
    q.param("Birthday", ParamType::DateTime, c.Birthday ? Value{*c.Birthday} : Value{std::monostate{}});
    q.param("HomePhone", ParamType::Text, optionalText(c.HomePhone));
    q.param("JobPhone", ParamType::Text, optionalText(c.JobPhone));
    q.param("MobilePhone", ParamType::Text, optionalText(c.MobilePhone));
    q.param("Address", ParamType::Text, optionalText(c.Address));
    q.param("Mail", ParamType::Text, optionalText(c.Mail));
    q.param("ICQ", ParamType::Text, optionalText(c.ICQ));
    q.param("Web_site", ParamType::Text, optionalText(c.Web_site));
    q.param("Comment", ParamType::LongText, optionalText(c.Comment));
    q.param("Group", ParamType::Integer, c.Group);
}

}  // namespace

ContactStore::ContactStore(sql::Connection& connection, QObject* parent) : QObject(parent), conn_(connection) {
    setObjectName(QStringLiteral("contacts"));
}

std::unique_ptr<sql::Query> ContactStore::openContactList(const ContactGroupFilter& filter) {
    auto q = std::make_unique<sql::Query>(conn_);
    q->add("SELECT TRIM(FirstName || '  ' || LastName) AS ContactName, ABID");
    q->add("FROM AddressBook");
    q->add("WHERE AddressBook.[Group] in (:Group1, :Group2, :Group3, :Group4)");
    q->add("ORDER BY 1 ");
    // A group left out binds null, which no stored code equals (not even a
    // damaged 0).
    auto code = [](bool selected, std::int64_t group) { return selected ? sql::Value{group} : sql::Value{}; };
    q->param("Group1", ParamType::Integer, code(filter.family, cgFamily));
    q->param("Group2", ParamType::Integer, code(filter.job, cgJob));
    q->param("Group3", ParamType::Integer, code(filter.friends, cgFriends));
    q->param("Group4", ParamType::Integer, code(filter.notAssigned, cgNotAssigned));
    q->open();
    return q;
}

void ContactStore::deleteListRow(sql::Query& contactList) {
    contactList.deleteRow();
    emit changed();
}

namespace {

ContactRow contactOf(const sql::Query& q) {
    ContactRow c;
    c.ABID = q.asInteger("ABID");
    c.LastName = QString::fromStdString(q.asString("LastName"));
    c.FirstName = QString::fromStdString(q.asString("FirstName"));
    c.Photo = optionalText(q, "Photo");
    if (!q.isNull("Birthday")) c.Birthday = q.asDateTime("Birthday");
    c.HomePhone = optionalText(q, "HomePhone");
    c.JobPhone = optionalText(q, "JobPhone");
    c.MobilePhone = optionalText(q, "MobilePhone");
    c.Address = optionalText(q, "Address");
    c.Mail = optionalText(q, "Mail");
    c.ICQ = optionalText(q, "ICQ");
    c.Web_site = optionalText(q, "Web_site");
    c.Comment = optionalText(q, "Comment");
    c.Group = q.asInteger("Group");
    return c;
}

}  // namespace

std::optional<ContactRow> ContactStore::person(std::int64_t personId) {
    sql::Query q(conn_);
    q.add("SELECT AddressBook.*");
    q.add("FROM AddressBook");
    q.add("WHERE AddressBook.ABID=:PersonID");
    q.param("PersonID", ParamType::Integer, personId);
    q.open();
    if (q.recordCount() != 1) return std::nullopt;
    return contactOf(q);
}

std::vector<ContactRow> ContactStore::allContacts() {
    sql::Query q(conn_);
    q.add("SELECT AddressBook.*");
    q.add("FROM AddressBook");
    q.add("ORDER BY ABID");
    q.open();
    std::vector<ContactRow> rows;
    rows.reserve(static_cast<std::size_t>(q.recordCount()));
    for (q.first(); !q.eof(); q.next()) rows.push_back(contactOf(q));
    return rows;
}

void ContactStore::removeContact(std::int64_t personId) {
    sql::Query q(conn_);
    q.add("DELETE FROM AddressBook WHERE ABID = :ABID");
    q.param("ABID", ParamType::Integer, personId);
    q.exec();
    emit changed();
}

std::int64_t ContactStore::insertContact(const ContactRow& contact) {
    sql::Query q(conn_);
    q.add(
        "INSERT INTO AddressBook (LastName, FirstName, Photo, Birthday, HomePhone, JobPhone, MobilePhone, "
        "Address, Mail, ICQ, Web_site, Comment, [Group])");
    q.add(
        "VALUES (:LastName, :FirstName, :Photo, :Birthday, :HomePhone, :JobPhone, :MobilePhone, :Address, "
        ":Mail, :ICQ, :Web_site, :Comment, :Group)");
    bindContact(q, contact);
    q.exec();
    const std::int64_t id = conn_.lastInsertRowId();
    emit changed();
    return id;
}

void ContactStore::updateContact(std::int64_t personId, const ContactRow& contact) {
    sql::Query q(conn_);
    q.add("UPDATE AddressBook");
    q.add(
        "SET LastName = :LastName, FirstName = :FirstName, Photo = :Photo, Birthday = :Birthday, "
        "HomePhone = :HomePhone, JobPhone = :JobPhone, MobilePhone = :MobilePhone, Address = :Address, "
        "Mail = :Mail, ICQ = :ICQ, Web_site = :Web_site, Comment = :Comment, [Group] = :Group");
    q.add("WHERE ABID = :PersonID");
    bindContact(q, contact);
    q.param("PersonID", ParamType::Integer, personId);
    q.exec();
    emit changed();
}

std::vector<BirthdayOfDay> ContactStore::birthdaysOfDay(DateTime day) {
    sql::Query q(conn_);
    q.add("SELECT ABID, FirstName, LastName, Birthday FROM AddressBook");
    q.add("WHERE (Birthday IS NOT NULL) AND (Month(Birthday) = :BirthMonth)");
    q.param("BirthMonth", sql::ParamType::Integer, std::int64_t{decodeDate(day).month});
    q.open();
    std::vector<BirthdayOfDay> out;
    for (; !q.eof(); q.next()) {
        const DateTime birth = q.asDateTime("Birthday");
        if (!isBirthdayOn(birth, day)) continue;
        const QString name = (QString::fromStdString(q.asString("FirstName")).trimmed() + QLatin1Char(' ') +
                              QString::fromStdString(q.asString("LastName")).trimmed())
                                 .trimmed();
        out.push_back({q.asInteger("ABID"), name, birth});
    }
    std::sort(out.begin(), out.end(), [](const BirthdayOfDay& a, const BirthdayOfDay& b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    return out;
}

}  // namespace ostrel
