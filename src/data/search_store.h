#pragma once
// Finding things by a few letters: task titles and comments, plan and
// holiday titles, contact names, phones and e-mail. A match is a prefix or
// an infix of the text, without regard to Latin or Cyrillic case, "ё"
// matching "е".
//
// The index: two full-text tables with trigram tokens (SearchToDo over
// ToDo, SearchContacts over AddressBook), kept by triggers that use only
// SQLite's own functions, so any program that writes the file keeps them
// current. They are made on the first search, never at start-up; a file
// that cannot take them (read-only) is searched by a scan instead. Queries
// of one or two letters, which trigrams cannot answer, scan the indexes'
// own copy of the text for each of their spellings in upper and lower case.

#include <QObject>
#include <QString>

#include <cstdint>
#include <vector>

#include "core/data/sql/connection.h"
#include "core/text/text_match.h"
#include "core/time/datetime.h"

namespace ostrel {

enum class FoundKind : std::uint8_t { Task, Plan, Holiday, Contact };

struct FoundItem {
    FoundKind kind = FoundKind::Task;
    std::int64_t id = 0;  // TDID or ABID
    QString text;         // title, or first and last name
    QString detail;       // the matching comment, phone or e-mail when the text itself does not match
    DateTime when = 0.0;  // ShowDT of a task, plan or holiday; a contact's birthday or 0
    MatchRank rank = MatchRank::None;
};

class SearchStore : public QObject {
    Q_OBJECT
public:
    explicit SearchStore(sql::Connection& connection, QObject* parent = nullptr);

    // Makes the index when the file lacks it; false when it cannot be made
    // now (tried again at the next search while another program holds the
    // lock, never again when the file refuses it otherwise).
    bool ensureIndex();
    bool hasIndex();

    // Every match of query, at most perKind of each kind: by kind in the
    // order of FoundKind, then by rank, then by text. An empty or blank
    // query finds nothing.
    std::vector<FoundItem> find(const QString& query, int perKind = 100);

private:
    sql::Connection& conn_;
    int indexState_ = -1;  // -1 unknown, 0 absent and cannot be made, 1 present
};

}  // namespace ostrel
