#pragma once
// The AddressBook table: the contact list, one contact, and the statements
// that add and change a contact. Every write is followed by changed().

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "core/data/sql/connection.h"
#include "core/data/sql/query.h"
#include "core/time/datetime.h"

namespace ostrel {

// Contact group codes as stored in AddressBook.Group.
enum ContactGroup : std::int64_t {
    cgFamily = 1,
    cgJob = 2,
    cgFriends = 3,
    cgNotAssigned = 4,
};

// One AddressBook row. An unset optional is SQL NULL.
struct ContactRow {
    std::int64_t ABID = 0;
    QString LastName;
    QString FirstName;
    std::optional<QString> Photo;
    std::optional<DateTime> Birthday;
    std::optional<QString> HomePhone;
    std::optional<QString> JobPhone;
    std::optional<QString> MobilePhone;
    std::optional<QString> Address;
    std::optional<QString> Mail;
    std::optional<QString> ICQ;
    std::optional<QString> Web_site;
    std::optional<QString> Comment;
    std::int64_t Group = cgNotAssigned;

    friend bool operator==(const ContactRow&, const ContactRow&) = default;
};

// A contact whose birthday falls on a day, for the day panel.
struct BirthdayOfDay {
    std::int64_t ABID = 0;
    QString name;  // first and last name
    DateTime birth = 0.0;
};

// Which groups the contact list shows.
struct ContactGroupFilter {
    bool family = true;
    bool job = true;
    bool friends = true;
    bool notAssigned = true;
};

class ContactStore : public QObject {
    Q_OBJECT
public:
    explicit ContactStore(sql::Connection& connection, QObject* parent = nullptr);

    // The contact list: columns ContactName (first name, two blanks, last
    // name, trimmed) and ABID, sorted by the name, for the groups the filter
    // selects; a contact of any other code is never listed. The result is
    // read whole; its rows can be searched and deleted.
    std::unique_ptr<sql::Query> openContactList(const ContactGroupFilter& filter);
    // Deletes the current row of an open contact list from AddressBook.
    void deleteListRow(sql::Query& contactList);

    // One contact; nothing unless exactly one row has that ABID.
    std::optional<ContactRow> person(std::int64_t personId);
    // Every contact, in ABID order.
    std::vector<ContactRow> allContacts();
    // Adds a contact (ABID is assigned by the database) and returns its ABID.
    std::int64_t insertContact(const ContactRow& contact);
    // Deletes one contact by its ABID.
    void removeContact(std::int64_t personId);
    // Writes every column of the contact personId.
    void updateContact(std::int64_t personId, const ContactRow& contact);

    // The contacts whose birthday falls on the day (29 February on 28
    // February in a common year), by name; nothing is stored for them.
    std::vector<BirthdayOfDay> birthdaysOfDay(DateTime day);

signals:
    void changed();

private:
    sql::Connection& conn_;
};

}  // namespace ostrel
