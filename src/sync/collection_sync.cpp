#include "sync/collection_sync.h"

#include <QCryptographicHash>
#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <unordered_map>
#include <variant>

#include "base/language_texts.h"
#include "core/data/sql/transaction.h"
#include "core/exchange/calendar_codec.h"
#include "core/exchange/vcard_codec.h"
#include "core/time/clock_service.h"
#include "data/data_module.h"
#include "data/exchange_rows.h"
#include "data/exchange_service.h"
#include "data/exchange_store.h"
#include "data/holiday_store.h"
#include "data/plan_store.h"
#include "data/sync_store.h"
#include "sync/dav_client.h"
#include "sync/dav_xml.h"

namespace ostrel::sync {

using exchange::CalendarEntry;
using exchange::Card;
using exchange::EntryKind;

QString conflictTitle(const QString& title) {
    return FormatMessageText(GetLangMessageOr(QStringLiteral("SyncConflictCopy"), QStringLiteral("%s (conflict copy)")),
                             {title});
}

namespace {

std::string sha1(const std::string& text) {
    return QCryptographicHash::hash(QByteArray::fromStdString(text), QCryptographicHash::Sha1).toHex().toStdString();
}

// Item text with CRLF line ends (an XML reply hands its text over with
// bare line feeds).
std::string crlf(const QByteArray& data) {
    QByteArray t = data;
    t.replace("\r\n", "\n");
    t.replace('\r', "\n");
    t.replace("\n", "\r\n");
    return t.toStdString();
}

std::string trimmed(const std::string& s) { return QString::fromStdString(s).trimmed().toStdString(); }

// A field of a hashed text: its length first, so no two different rows
// give the same text.
void field(std::string& out, const std::string& value) {
    out += std::to_string(value.size());
    out += ':';
    out += value;
}

void field(std::string& out, long long value) { field(out, std::to_string(value)); }

std::string entryHash(const CalendarEntry& e) {
    std::string s;
    field(s, static_cast<long long>(e.kind));
    field(s, trimmed(e.title));
    field(s, trimmed(e.comment));
    field(s, std::llround(e.start * 86400.0));
    field(s, e.periodInt);
    field(s, static_cast<long long>(e.periodType));
    field(s, e.elapseInt);
    field(s, static_cast<long long>(e.elapseType));
    field(s, e.done ? 1 : 0);
    return sha1(s);
}

std::string cardHash(const Card& c) {
    std::string s;
    auto opt = [&s](const std::optional<std::string>& v) { field(s, v ? trimmed(*v) : std::string("\x01")); };
    field(s, trimmed(c.lastName));
    field(s, trimmed(c.firstName));
    field(s, c.birthday ? std::llround(*c.birthday) : -1);
    opt(c.homePhone);
    opt(c.jobPhone);
    opt(c.mobilePhone);
    opt(c.address);
    opt(c.mail);
    opt(c.icq);
    opt(c.webSite);
    opt(c.comment);
    field(s, static_cast<long long>(c.group));
    field(s, c.photo.empty() ? std::string() : sha1(c.photo));
    return sha1(s);
}

// An item of the server as the local side reads it.
struct Mapped {
    std::string uid;
    std::variant<CalendarEntry, Card> value;
};

// The local rows of one collection's kind.
class LocalSide {
public:
    virtual ~LocalSide() = default;
    virtual const char* table() const = 0;
    virtual const char* extension() const = 0;
    virtual QByteArray contentType() const = 0;
    // Every row's hash, by row id.
    virtual std::unordered_map<std::int64_t, std::string> snapshot() = 0;
    // One row's hash (empty when it is gone).
    virtual std::string rowHash(std::int64_t row) = 0;
    // A server item read; nothing when this program cannot represent it.
    virtual std::optional<Mapped> parse(const QByteArray& data) = 0;
    // The hash the item would have as a row.
    virtual std::string mappedHash(const Mapped& m) = 0;
    // Writes the item into the row (0: a new row); returns the row.
    virtual std::int64_t apply(const Mapped& m, std::int64_t row) = 0;
    virtual void remove(std::int64_t row) = 0;
    // A copy of the row under a marked title.
    virtual void conflictCopy(std::int64_t row) = 0;
    // The item text of a row.
    virtual QByteArray body(std::int64_t row, const std::string& uid) = 0;
    virtual std::string newUid() = 0;
    // Why the last parse() found nothing.
    std::string lastError;
};

class CalendarSide : public LocalSide {
public:
    explicit CalendarSide(TDataModule1& data) : data_(data), zone_(QTimeZone::systemTimeZoneId().toStdString()) {}
    const char* table() const override { return ExchangeStore::kToDo; }
    const char* extension() const override { return ".ics"; }
    QByteArray contentType() const override { return QByteArrayLiteral("text/calendar; charset=utf-8"); }

    std::unordered_map<std::int64_t, std::string> snapshot() override {
        std::unordered_map<std::int64_t, std::string> out;
        for (const TaskRow& t : data_.tasks().allTasks()) out[t.TDID] = entryHash(entryOfTask(t));
        for (const HolidayRow& h : data_.holidays().listHolidays()) out[h.TDID] = entryHash(holidayEntry(h));
        for (const PlanRow& p : data_.plans().allPlans()) out[p.TDID] = entryHash(planEntry(p));
        return out;
    }

    std::string rowHash(std::int64_t row) override {
        const auto e = entryOf(row);
        return e ? entryHash(*e) : std::string();
    }

    std::optional<Mapped> parse(const QByteArray& data) override {
        try {
            exchange::CalendarRead read = exchange::readCalendar(crlf(data), zone_, clock().now());
            if (read.entries.empty()) {
                lastError = "no event or to-do this program can hold";
                return std::nullopt;
            }
            CalendarEntry e = std::move(read.entries.front());
            std::string uid = e.uid;
            return Mapped{std::move(uid), std::move(e)};
        } catch (const exchange::ExchangeError& e) {
            lastError = e.what();
            return std::nullopt;
        }
    }

    std::string mappedHash(const Mapped& m) override {
        CalendarEntry e = std::get<CalendarEntry>(m.value);
        // As the row would hold it.
        if (e.kind == EntryKind::Task || e.kind == EntryKind::AfterStart) e = entryOfTask(taskOfEntry(e));
        else if (e.kind == EntryKind::Plan) e.elapseInt = std::clamp(e.elapseInt, 1, 48);
        else e.elapseInt = std::max<std::int32_t>(0, e.elapseInt);
        if (e.kind == EntryKind::Plan) e.comment.clear();
        return entryHash(e);
    }

    std::int64_t apply(const Mapped& m, std::int64_t row) override {
        std::optional<TaskRow> existing;
        if (row != 0) {
            TaskRow t = data_.tasks().task(static_cast<std::int32_t>(row));
            if (t.TDID != 0) existing = t;
        }
        return writeCalendarEntry(data_, std::get<CalendarEntry>(m.value), existing);
    }

    void remove(std::int64_t row) override { data_.tasks().removeTask(static_cast<std::int32_t>(row)); }

    void conflictCopy(std::int64_t row) override {
        auto e = entryOf(row);
        if (!e) return;
        e->title = conflictTitle(QString::fromStdString(e->title)).toStdString();
        writeCalendarEntry(data_, *e, std::nullopt);
    }

    QByteArray body(std::int64_t row, const std::string& uid) override {
        auto e = entryOf(row);
        if (!e) return {};
        e->uid = uid;
        return QByteArray::fromStdString(exchange::writeCalendar({*e}, zone_));
    }

    std::string newUid() override { return exchange::newUid(); }

private:
    static CalendarEntry holidayEntry(const HolidayRow& h) {
        CalendarEntry e;
        e.kind = EntryKind::Holiday;
        e.title = h.Title.toStdString();
        e.comment = h.Comment.toStdString();
        e.start = h.FirstDT;
        e.elapseInt = h.ElapseInt;
        return e;
    }
    static CalendarEntry planEntry(const PlanRow& p) {
        CalendarEntry e;
        e.kind = EntryKind::Plan;
        e.title = p.Title.toStdString();
        e.start = p.ShowDT;
        e.elapseInt = p.ElapseInt;
        return e;
    }
    std::optional<CalendarEntry> entryOf(std::int64_t row) {
        const TaskRow t = data_.tasks().task(static_cast<std::int32_t>(row));
        if (t.TDID == 0) return std::nullopt;
        return entryOfRow(t);
    }

    TDataModule1& data_;
    std::string zone_;
};

class ContactSide : public LocalSide {
public:
    explicit ContactSide(TDataModule1& data) : data_(data) {}
    const char* table() const override { return ExchangeStore::kAddressBook; }
    const char* extension() const override { return ".vcf"; }
    QByteArray contentType() const override { return QByteArrayLiteral("text/vcard; charset=utf-8"); }

    std::unordered_map<std::int64_t, std::string> snapshot() override {
        std::unordered_map<std::int64_t, std::string> out;
        for (const ContactRow& c : data_.contacts().allContacts()) out[c.ABID] = cardHash(withPhoto(c));
        return out;
    }

    std::string rowHash(std::int64_t row) override {
        const auto c = data_.contacts().person(row);
        return c ? cardHash(withPhoto(*c)) : std::string();
    }

    std::optional<Mapped> parse(const QByteArray& data) override {
        try {
            exchange::CardRead read = exchange::readCards(crlf(data), 1);
            if (read.cards.empty()) return std::nullopt;
            Card c = std::move(read.cards.front());
            std::string uid = c.uid;
            return Mapped{std::move(uid), std::move(c)};
        } catch (const exchange::ExchangeError& e) {
            lastError = e.what();
            return std::nullopt;
        }
    }

    std::string mappedHash(const Mapped& m) override {
        const Card& card = std::get<Card>(m.value);
        Card c = cardOf(contactOfCard(card));
        const QByteArray photo = QByteArray::fromStdString(card.photo);
        if (!photoTypeOf(photo).isEmpty() && photo.size() <= ImportLimits::kMaxPhotoBytes) c.photo = card.photo;
        return cardHash(c);
    }

    std::int64_t apply(const Mapped& m, std::int64_t row) override {
        const Card& card = std::get<Card>(m.value);
        std::optional<ContactRow> existing;
        if (row != 0) existing = data_.contacts().person(row);
        ContactRow c = contactOfCard(card);
        const QByteArray photo = QByteArray::fromStdString(card.photo);
        const QString type = photoTypeOf(photo);
        if (!type.isEmpty() && photo.size() <= ImportLimits::kMaxPhotoBytes) {
            if (existing && readPhoto(existing->Photo) == photo) c.Photo = existing->Photo;
            else c.Photo = storePhoto(card.uid, photo, type);
        }
        if (existing) {
            data_.contacts().updateContact(existing->ABID, c);
            return existing->ABID;
        }
        return data_.contacts().insertContact(c);
    }

    void remove(std::int64_t row) override { data_.contacts().removeContact(row); }

    void conflictCopy(std::int64_t row) override {
        auto c = data_.contacts().person(row);
        if (!c) return;
        c->LastName = conflictTitle(c->LastName.trimmed());
        data_.contacts().insertContact(*c);
    }

    QByteArray body(std::int64_t row, const std::string& uid) override {
        const auto c = data_.contacts().person(row);
        if (!c) return {};
        Card card = withPhoto(*c);
        card.uid = uid;
        const std::string photo = std::move(card.photo);
        const std::string type = std::move(card.photoType);
        card.photo.clear();
        std::string text = exchange::writeCards({card});
        if (!photo.empty()) {
            // The photo as ENCODING=b: servers built on vobject read a
            // data: URI as a list of texts and cut it at its comma.
            const std::string b64 = exchange::toBase64(photo);
            std::string line = "PHOTO;ENCODING=b;TYPE=" + type + ":";
            std::string folded;
            std::size_t room = 75 - line.size();
            std::size_t at = 0;
            folded = line + b64.substr(0, room) + "\r\n";
            for (at = room; at < b64.size(); at += 74) folded += " " + b64.substr(at, 74) + "\r\n";
            const std::size_t end = text.rfind("END:VCARD");
            if (end != std::string::npos) text.insert(end, folded);
        }
        return QByteArray::fromStdString(text);
    }

    std::string newUid() override { return "urn:uuid:" + exchange::newUuid(); }

private:
    static Card withPhoto(const ContactRow& row) {
        Card card = cardOf(row);
        const QByteArray photo = readPhoto(row.Photo);
        const QString type = photoTypeOf(photo);
        if (!type.isEmpty()) {
            card.photo = photo.toStdString();
            card.photoType = type.toStdString();
        }
        return card;
    }

    TDataModule1& data_;
};

QByteArray xmlEscaped(const QString& s) { return s.toHtmlEscaped().toUtf8(); }

// The decoded path an href names, resolved against the collection.
std::string pathOf(const QUrl& base, const QString& href) {
    const QUrl u = base.resolved(QUrl(href));
    return u.path(QUrl::FullyDecoded).toStdString();
}

QString encodedPath(const std::string& path) {
    QUrl u;
    u.setPath(QString::fromStdString(path), QUrl::DecodedMode);
    return u.path(QUrl::FullyEncoded);
}

std::string withoutSlash(std::string p) {
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    return p;
}

// A file name for an item of this UID on the server.
std::string fileNameFor(const std::string& uid, const char* extension) {
    bool plain = !uid.empty() && uid.size() <= 120;
    for (const char ch : uid)
        if (!(std::isalnum(static_cast<unsigned char>(ch)) || ch == '-' || ch == '_' || ch == '.' || ch == '@'))
            plain = false;
    return (plain ? uid : sha1(uid)) + extension;
}

struct Listing {
    bool full = false;
    std::map<std::string, std::string> changed;  // href -> etag (full: every item)
    std::set<std::string> gone;
    QString token;
};

}  // namespace

CollectionSync::CollectionSync(TDataModule1& data, DavClient& client, CollectionKind kind, QUrl collection,
                               SyncOptions options)
    : data_(data), client_(client), kind_(kind), url_(std::move(collection)), options_(std::move(options)) {
    QString path = url_.path();
    if (!path.endsWith(QLatin1Char('/'))) url_.setPath(path + QLatin1Char('/'));
}

SyncCounts CollectionSync::run() {
    SyncCounts total;
    // A change the server refused because it had changed meanwhile (412)
    // is taken up by one more round: the server's version is fetched and
    // the conflict rule applies.
    for (int i = 0; i < 3; ++i) {
        bool again = false;
        total += round(again);
        if (!again) break;
    }
    return total;
}

SyncCounts CollectionSync::round(bool& again) {
    const bool calendar = kind_ == CollectionKind::Calendar;
    std::unique_ptr<LocalSide> side;
    if (calendar) side = std::make_unique<CalendarSide>(data_);
    else side = std::make_unique<ContactSide>(data_);
    SyncStore store(data_.connTAMO);
    ExchangeStore& ids = data_.exchange();
    store.ensureTables();
    if (!ids.ensureTable()) throw SyncError("the database cannot be written to");
    const std::string coll = url_.toString(QUrl::FullyEncoded).toStdString();
    const std::string collPath = withoutSlash(url_.path(QUrl::FullyDecoded).toStdString());
    auto log = [this](const QString& s) {
        if (options_.log) options_.log(s);
    };
    auto step = [this](const char* name) {
        if (options_.checkpoint) options_.checkpoint(name);
    };
    SyncCounts counts;

    std::map<std::string, SyncItemRecord> records;
    for (SyncItemRecord& r : store.items(coll)) records[r.href] = std::move(r);

    // ---- what changed on the server ----
    const QByteArray etagProp = "<D:prop><D:getetag/></D:prop>";
    auto isMember = [&](const DavResponse& r, std::string& path) {
        path = pathOf(url_, r.href);
        return withoutSlash(path) != collPath && !r.isType(kDav, "collection");
    };
    auto syncReport = [&](const QString& token) {
        const QByteArray body =
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
            "<D:sync-collection xmlns:D=\"DAV:\"><D:sync-token>" +
            xmlEscaped(token) + "</D:sync-token><D:sync-level>1</D:sync-level>" + etagProp + "</D:sync-collection>";
        return client_.request("REPORT", url_, body, {{"Depth", "1"}});
    };
    Listing listing;
    QString token = QString::fromStdString(store.token(coll));
    bool tokenWorks = false;
    for (int pages = 0; pages < 1000; ++pages) {
        const DavReply reply = syncReport(token);
        if (reply.status != 207) {
            if (!token.isEmpty() && (reply.status == 403 || reply.status == 409 || reply.status == 412 ||
                                     reply.status == 400 || reply.status == 404 || reply.status == 410)) {
                // A token the server no longer takes: a full listing,
                // matched by href and UID.
                log(QStringLiteral("the server refused the sync token (%1); listing everything").arg(reply.status));
                token.clear();
                listing = Listing{};
                continue;
            }
            if (reply.status == 401) throw SyncError("the server refused the user name or password");
            break;  // no sync-collection: list the ETags
        }
        const DavMultistatus ms = parseMultistatus(reply.body);
        if (token.isEmpty()) listing.full = true;
        bool truncated = false;
        for (const DavResponse& r : ms.responses) {
            std::string path;
            if (!isMember(r, path)) {
                if (withoutSlash(path) == collPath && r.status == 507) truncated = true;
                continue;
            }
            if (r.status == 404) {
                listing.gone.insert(path);
                listing.changed.erase(path);
            } else {
                listing.changed[path] = r.prop(kDav, "getetag").toStdString();
                listing.gone.erase(path);
            }
        }
        listing.token = ms.syncToken;
        tokenWorks = true;
        if (!truncated || ms.syncToken.isEmpty() || ms.syncToken == token) break;
        token = ms.syncToken;
    }
    if (!tokenWorks) {
        const QByteArray body =
            "<?xml version=\"1.0\" encoding=\"utf-8\"?><D:propfind xmlns:D=\"DAV:\">"
            "<D:prop><D:getetag/><D:resourcetype/></D:prop></D:propfind>";
        const DavReply reply = client_.request("PROPFIND", url_, body, {{"Depth", "1"}});
        if (reply.status == 401) throw SyncError("the server refused the user name or password");
        if (reply.status != 207)
            throw SyncError(
                QStringLiteral("the server cannot list the collection (HTTP %1)").arg(reply.status).toStdString());
        listing = Listing{};
        listing.full = true;
        for (const DavResponse& r : parseMultistatus(reply.body).responses) {
            std::string path;
            if (isMember(r, path) && r.status >= 200 && r.status < 300)
                listing.changed[path] = r.prop(kDav, "getetag").toStdString();
        }
    }
    if (listing.full)
        for (const auto& [href, rec] : records)
            if (!listing.changed.count(href)) listing.gone.insert(href);
    // Unchanged items are not fetched.
    for (auto it = listing.changed.begin(); it != listing.changed.end();) {
        const auto rec = records.find(it->first);
        if (rec != records.end() && !it->second.empty() && rec->second.etag == it->second)
            it = listing.changed.erase(it);
        else ++it;
    }
    // A collection that had items and is empty now: ask first.
    {
        int represented = 0, goneRepresented = 0;
        for (const auto& [href, rec] : records)
            if (rec.rowId != 0) {
                ++represented;
                if (listing.gone.count(href)) ++goneRepresented;
            }
        const bool emptied =
            represented > 0 && goneRepresented == represented &&
            (listing.full ? listing.changed.empty() && records.size() == listing.gone.size() : listing.changed.empty());
        if (emptied && !options_.acceptEmpty)
            throw CollectionEmptied(
                QStringLiteral("the collection %1 on the server is empty now; nothing was deleted here")
                    .arg(url_.toDisplayString())
                    .toStdString());
    }
    step("listed");

    // ---- fetch what changed ----
    struct Fetched {
        std::string href;
        std::string etag;
        QByteArray data;
    };
    std::vector<Fetched> fetched;
    {
        std::vector<std::string> hrefs;
        for (const auto& [href, etag] : listing.changed) hrefs.push_back(href);
        const int batch = std::max(1, options_.batch);
        for (std::size_t i = 0; i < hrefs.size(); i += static_cast<std::size_t>(batch)) {
            QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";
            body += calendar ? "<C:calendar-multiget xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:caldav\">"
                               "<D:prop><D:getetag/><C:calendar-data/></D:prop>"
                             : "<C:addressbook-multiget xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\">"
                               "<D:prop><D:getetag/><C:address-data/></D:prop>";
            const std::size_t end = std::min(hrefs.size(), i + static_cast<std::size_t>(batch));
            for (std::size_t k = i; k < end; ++k) body += "<D:href>" + xmlEscaped(encodedPath(hrefs[k])) + "</D:href>";
            body += calendar ? "</C:calendar-multiget>" : "</C:addressbook-multiget>";
            const DavReply reply = client_.request("REPORT", url_, body, {{"Depth", "1"}});
            if (reply.status != 207)
                throw SyncError(QStringLiteral("the server cannot send the changed items (HTTP %1)")
                                    .arg(reply.status)
                                    .toStdString());
            for (const DavResponse& r : parseMultistatus(reply.body).responses) {
                const std::string path = pathOf(url_, r.href);
                if (r.status == 404) {
                    listing.gone.insert(path);
                    continue;
                }
                const QString data = r.prop(calendar ? kCalDav : kCardDav, calendar ? "calendar-data" : "address-data");
                if (r.status >= 200 && r.status < 300)
                    fetched.push_back({path, r.prop(kDav, "getetag").toStdString(), data.toUtf8()});
            }
        }
        log(QStringLiteral("%1: %2 changed on the server, %3 gone")
                .arg(url_.toDisplayString())
                .arg(fetched.size())
                .arg(listing.gone.size()));
    }
    step("fetched");

    // ---- the server's changes, with the new token, in one transaction ----
    std::unordered_map<std::int64_t, std::string> local = side->snapshot();
    {
        sql::Transaction tx(data_.connTAMO);
        std::unordered_map<std::string, std::string> hrefOfUid;
        for (const auto& [href, rec] : records)
            if (!rec.uid.empty()) hrefOfUid[rec.uid] = href;
        for (const Fetched& f : fetched) {
            const std::optional<Mapped> m = side->parse(f.data);
            const auto recIt = records.find(f.href);
            const SyncItemRecord* rec = recIt == records.end() ? nullptr : &recIt->second;
            if (!m) {
                log(QStringLiteral("%1 is kept as it is: %2")
                        .arg(QString::fromStdString(f.href), QString::fromStdString(side->lastError)));
                // Kept on the server as it is; a row made from its earlier
                // version stays as it was.
                store.putItem(coll, {f.href, rec ? rec->uid : std::string(), f.etag, std::string(), 0});
                continue;
            }
            std::int64_t row = rec ? rec->rowId : 0;
            if (!rec) {
                // Never synced at this href: the row of the same UID (a
                // first sync with data on both sides, a token the server
                // refused) is the same item.
                if (const auto id = ids.rowOf(side->table(), m->uid)) row = *id;
                // The same UID under another href: that record moves.
                const auto other = hrefOfUid.find(m->uid);
                if (other != hrefOfUid.end() && other->second != f.href) {
                    store.removeItem(coll, other->second);
                    listing.gone.erase(other->second);
                }
            }
            const auto localIt = row != 0 ? local.find(row) : local.end();
            const std::string remoteHash = side->mappedHash(*m);
            if (localIt == local.end()) {
                // New, or deleted here and changed there: the change wins.
                row = side->apply(*m, 0);
                ++counts.received;
            } else if (localIt->second != remoteHash) {
                const bool localChanged = !rec || localIt->second != rec->hash;
                if (localChanged) {
                    side->conflictCopy(row);
                    ++counts.conflicts;
                }
                row = side->apply(*m, row);
                ++counts.received;
            }
            const std::string hash = side->rowHash(row);
            local[row] = hash;
            ids.setUid(side->table(), m->uid, row);
            store.putItem(coll, {f.href, m->uid, f.etag, hash, row});
            hrefOfUid[m->uid] = f.href;
        }
        for (const std::string& href : listing.gone) {
            const auto recIt = records.find(href);
            if (recIt == records.end()) continue;
            const SyncItemRecord& rec = recIt->second;
            const auto localIt = rec.rowId != 0 ? local.find(rec.rowId) : local.end();
            if (localIt != local.end() && localIt->second == rec.hash) {
                side->remove(rec.rowId);
                local.erase(localIt);
                ++counts.deleted;
            }
            // A row changed here outlives the deletion there: without its
            // record it is sent again as a new item.
            store.removeItem(coll, href);
        }
        store.setToken(coll, listing.token.toStdString());
        step("applying");
        tx.commit();
    }
    step("applied");
    // Conflict copies made above are new rows to send.
    local = side->snapshot();

    // ---- local changes ----
    records.clear();
    std::unordered_map<std::int64_t, SyncItemRecord> byRow;
    std::vector<SyncItemRecord> deletions;
    for (SyncItemRecord& r : store.items(coll)) {
        if (r.rowId == 0) continue;
        if (!local.count(r.rowId)) deletions.push_back(r);
        else byRow[r.rowId] = r;
    }
    struct Outgoing {
        std::int64_t row;
        std::string uid;
        std::string hash;
        std::optional<SyncItemRecord> rec;
    };
    std::vector<Outgoing> outgoing;
    {
        std::vector<std::int64_t> rows;
        for (const auto& [row, hash] : local) rows.push_back(row);
        std::sort(rows.begin(), rows.end());
        auto uids = ids.uidsOf(side->table());
        // UIDs of new rows are kept before anything is sent, so an item
        // sent by a run that is stopped before it records it is found by
        // its UID next time instead of arriving twice.
        sql::Transaction tx(data_.connTAMO);
        for (const std::int64_t row : rows) {
            const auto rec = byRow.find(row);
            if (rec != byRow.end()) {
                if (rec->second.hash != local[row]) outgoing.push_back({row, rec->second.uid, local[row], rec->second});
                continue;
            }
            auto uid = uids.find(row);
            std::string u = uid != uids.end() ? uid->second : std::string();
            if (u.empty()) {
                u = side->newUid();
                ids.setUid(side->table(), u, row);
            }
            outgoing.push_back({row, u, local[row], std::nullopt});
        }
        tx.commit();
    }
    const std::size_t batch = static_cast<std::size_t>(std::max(1, options_.batch));
    std::size_t done = 0;
    std::unique_ptr<sql::Transaction> tx;
    auto begin = [&]() {
        if (!tx) tx = std::make_unique<sql::Transaction>(data_.connTAMO);
    };
    auto account = [&]() {
        if (++done % batch == 0) {
            tx->commit();
            tx.reset();
            step("sent batch");
        }
    };
    for (const Outgoing& o : outgoing) {
        const std::string href = o.rec ? o.rec->href : collPath + "/" + fileNameFor(o.uid, side->extension());
        QUrl target = url_;
        target.setPath(QString::fromStdString(href), QUrl::DecodedMode);
        QList<QPair<QByteArray, QByteArray>> headers{{"Content-Type", side->contentType()}};
        if (!o.rec) headers.append(qMakePair(QByteArray("If-None-Match"), QByteArray("*")));
        else if (!o.rec->etag.empty())
            headers.append(qMakePair(QByteArray("If-Match"), QByteArray::fromStdString(o.rec->etag)));
        const DavReply reply = client_.request("PUT", target, side->body(o.row, o.uid), headers);
        if (reply.status == 412) {
            again = true;
            continue;
        }
        if (reply.status < 200 || reply.status >= 300)
            throw SyncError(QStringLiteral("the server refused an item (HTTP %1): %2")
                                .arg(reply.status)
                                .arg(QString::fromUtf8(reply.body.left(200)).simplified())
                                .toStdString());
        begin();
        store.putItem(coll, {href, o.uid, reply.header("ETag").toStdString(), o.hash, o.row});
        ++counts.sent;
        account();
    }
    for (const SyncItemRecord& d : deletions) {
        QUrl target = url_;
        target.setPath(QString::fromStdString(d.href), QUrl::DecodedMode);
        QList<QPair<QByteArray, QByteArray>> headers;
        if (!d.etag.empty()) headers.append(qMakePair(QByteArray("If-Match"), QByteArray::fromStdString(d.etag)));
        const DavReply reply = client_.remove(target, headers);
        if (reply.status == 412) {
            // Changed there since: the change wins next round.
            again = true;
            continue;
        }
        if (reply.status != 404 && (reply.status < 200 || reply.status >= 300))
            throw SyncError(QStringLiteral("the server refused a deletion (HTTP %1)").arg(reply.status).toStdString());
        begin();
        store.removeItem(coll, d.href);
        ++counts.deleted;
        account();
    }
    if (tx) tx->commit();
    return counts;
}

}  // namespace ostrel::sync
