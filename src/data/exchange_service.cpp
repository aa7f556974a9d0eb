#include "data/exchange_service.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QSignalBlocker>
#include <QTimeZone>

#include <cmath>
#include <exception>
#include <unordered_map>

#include "base/app_paths.h"
#include "base/language_texts.h"
#include "core/data/period.h"
#include "core/data/sql/transaction.h"
#include "core/exchange/calendar_codec.h"
#include "core/exchange/vcard_codec.h"
#include "core/time/clock_service.h"
#include "data/data_module.h"
#include "data/exchange_rows.h"
#include "data/exchange_store.h"
#include "data/holiday_store.h"
#include "data/plan_store.h"
#include "data/reminder_engine.h"

namespace ostrel {

using exchange::CalendarEntry;
using exchange::Card;
using exchange::EntryKind;

namespace {

constexpr qint64 kMaxFileBytes = ImportLimits::kMaxFileBytes;
constexpr qint64 kMaxPhotoBytes = ImportLimits::kMaxPhotoBytes;
constexpr qint64 kMegabyte = 1024 * 1024;
// Read first: a file whose beginning cannot be what it should is refused
// before the rest is read.
constexpr qint64 kHeadBytes = 4096;

QString englishOr(const QString& key) {
    static const QHash<QString, QString> english{
        {QStringLiteral("CalendarExported"),
         QStringLiteral("%d entries (tasks, holidays and plans) were written to %s.")},
        {QStringLiteral("ContactsExported"), QStringLiteral("%d contacts were written to %s.")},
        {QStringLiteral("ExchangeImported"),
         QStringLiteral("Imported from %s: %d added, %d updated, %d unchanged, %d left out.")},
        {QStringLiteral("ExchangeRuleNotKept"),
         QStringLiteral("Repeating rules a task cannot follow were taken as their next occurrence: %s.")},
        {QStringLiteral("NotCalendarFile"),
         QStringLiteral("The file %s is not an iCalendar file (%s). Nothing was imported.")},
        {QStringLiteral("NotVCardFile"), QStringLiteral("The file %s is not a vCard file (%s). Nothing was imported.")},
        {QStringLiteral("ExchangeReadFailed"), QStringLiteral("The file %s cannot be read: %s. Nothing was imported.")},
        {QStringLiteral("ExchangeFileTooBig"), QStringLiteral("it is larger than %d MB, the most one import reads")},
        {QStringLiteral("ExchangeTooManyEntries"),
         QStringLiteral("The file %s holds more than %d entries, the most one import takes. Nothing was imported.")},
        {QStringLiteral("ExchangeRuleRefused"),
         QStringLiteral("Repeating events whose next occurrence cannot be worked out were left out: %s.")},
        {QStringLiteral("ExchangeTooLong"),
         QStringLiteral("Entries with a title over %d KB or a comment over %d KB were left out: %s.")},
        {QStringLiteral("ExchangePhotoTooBig"),
         QStringLiteral("Photos over %d MB were left out (the contacts themselves were imported): %s.")},
        {QStringLiteral("ExchangeStopped"), QStringLiteral("The import was stopped. Nothing was imported.")},
        {QStringLiteral("ExchangeProgress"), QStringLiteral("Importing %s...")},
        {QStringLiteral("ExchangeCancel"), QStringLiteral("Cancel")},
        {QStringLiteral("ExchangeBusy"), QStringLiteral("Another import is still running.")},
        {QStringLiteral("ExchangeWriteFailed"), QStringLiteral("The file %s cannot be written: %s")},
        {QStringLiteral("ExchangeDatabaseReadOnly"),
         QStringLiteral("The database cannot be written to (it is read-only). Nothing was imported.")},
        {QStringLiteral("ExchangeFailed"), QStringLiteral("The exchange failed: %s")},
        {QStringLiteral("CalendarFileFilter"), QStringLiteral("iCalendar (*.ics *.ical *.ifb);;All files (*)")},
        {QStringLiteral("ContactFileFilter"), QStringLiteral("vCard (*.vcf *.vcard);;All files (*)")},
    };
    const QString text = GetLangMessage(key);
    return text == key ? english.value(key, key) : text;
}

QString message(const QString& key) { return englishOr(key); }

[[noreturn]] void fail(const QString& key, const QVariantList& args) {
    throw ExchangeFailure(FormatMessageText(message(key), args).toStdString());
}

// The whole file, refused unread beyond its beginning when that cannot
// be what mayBe accepts (notKey and reason: the refusal), and unread when
// it is bigger than an import takes.
std::string readImportFile(const QString& file, bool (*mayBe)(std::string_view), const QString& notKey,
                           const char* reason) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) fail(QStringLiteral("ExchangeReadFailed"), {file, f.errorString()});
    if (f.size() > kMaxFileBytes)
        fail(QStringLiteral("ExchangeReadFailed"),
             {file, FormatMessageText(message(QStringLiteral("ExchangeFileTooBig")), {kMaxFileBytes / kMegabyte})});
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(std::min(f.size(), kMaxFileBytes)));
    // Read in pieces straight into the text (no second copy of the file).
    constexpr qint64 kPiece = 1024 * 1024;
    bool checked = false;
    for (;;) {
        const qint64 want =
            checked ? std::min<qint64>(kPiece, kMaxFileBytes + 1 - static_cast<qint64>(bytes.size())) : kHeadBytes;
        const std::size_t at = bytes.size();
        bytes.resize(at + static_cast<std::size_t>(want));
        const qint64 got = f.read(bytes.data() + at, want);
        if (got < 0) fail(QStringLiteral("ExchangeReadFailed"), {file, f.errorString()});
        bytes.resize(at + static_cast<std::size_t>(got));
        if (!checked) {
            if (!mayBe(bytes)) fail(notKey, {file, QString::fromUtf8(reason)});
            checked = true;
        }
        // A file that grows while it is read is refused at the limit.
        if (static_cast<qint64>(bytes.size()) > kMaxFileBytes)
            fail(QStringLiteral("ExchangeReadFailed"),
                 {file, FormatMessageText(message(QStringLiteral("ExchangeFileTooBig")), {kMaxFileBytes / kMegabyte})});
        if (got == 0) break;
    }
    return bytes;
}

[[noreturn]] void stopped() { fail(QStringLiteral("ExchangeStopped"), {}); }

// The share of an import done at a row of its writing (the reading is the
// first half).
bool rowDone(const ImportProgress& progress, std::size_t row, std::size_t rows) {
    return !progress ||
           progress(0.5 + 0.5 * static_cast<double>(row) / static_cast<double>(std::max<std::size_t>(rows, 1)));
}

QStringList texts(const std::vector<std::string>& v) {
    QStringList out;
    for (const std::string& s : v) out << QString::fromStdString(s);
    return out;
}

void writeWhole(const QString& file, const std::string& text) {
    QSaveFile f(file);
    if (!f.open(QIODevice::WriteOnly)) fail(QStringLiteral("ExchangeWriteFailed"), {file, f.errorString()});
    if (f.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) || !f.commit())
        fail(QStringLiteral("ExchangeWriteFailed"), {file, f.errorString()});
}

std::string localZone() { return QTimeZone::systemTimeZoneId().toStdString(); }

std::string utf8(const QString& s) { return s.toStdString(); }

QString text(const std::string& s) { return QString::fromStdString(s); }

// Holds a store's signals for a scope and sends changed() once at its end
// when asked to; not while an error leaves the scope (the transaction was
// undone, nothing changed, and a view's slot must not run then).
template <typename Store>
class HeldSignals {
public:
    explicit HeldSignals(Store& s) : store_(s), blocker_(&s), exceptions_(std::uncaught_exceptions()) {}
    ~HeldSignals() {
        blocker_.unblock();
        if (touched && std::uncaught_exceptions() == exceptions_) emit store_.changed();
    }
    HeldSignals(const HeldSignals&) = delete;
    HeldSignals& operator=(const HeldSignals&) = delete;
    bool touched = false;

private:
    Store& store_;
    QSignalBlocker blocker_;
    int exceptions_;
};

}  // namespace

ExchangeService::ExchangeService(TDataModule1& data) : data_(data) {}

ExchangeResult ExchangeService::exportCalendar(const QString& file) {
    ExchangeStore& ids = data_.exchange();
    std::vector<CalendarEntry> entries;
    std::vector<std::int64_t> rowIds;
    for (const TaskRow& t : data_.tasks().allTasks()) {
        entries.push_back(entryOfTask(t));
        rowIds.push_back(t.TDID);
    }
    for (const HolidayRow& h : data_.holidays().listHolidays()) {
        CalendarEntry e;
        e.kind = EntryKind::Holiday;
        e.title = utf8(h.Title);
        e.comment = utf8(h.Comment);
        e.start = h.FirstDT;
        e.elapseInt = h.ElapseInt;
        entries.push_back(std::move(e));
        rowIds.push_back(h.TDID);
    }
    for (const PlanRow& p : data_.plans().allPlans()) {
        CalendarEntry e;
        e.kind = EntryKind::Plan;
        e.title = utf8(p.Title);
        e.start = p.ShowDT;
        e.elapseInt = p.ElapseInt;
        entries.push_back(std::move(e));
        rowIds.push_back(p.TDID);
    }
    // Rows exported for the first time get an identifier, kept so that the
    // file imported again finds them. A read-only database exports all the
    // same.
    auto known = ids.uidsOf(ExchangeStore::kToDo);
    std::vector<std::size_t> fresh;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto it = known.find(rowIds[i]);
        if (it != known.end()) {
            entries[i].uid = it->second;
        } else {
            entries[i].uid = exchange::newUid();
            fresh.push_back(i);
        }
    }
    if (!fresh.empty()) {
        try {
            if (ids.ensureTable()) {
                sql::Transaction tx(data_.connTAMO);
                for (const std::size_t i : fresh) ids.setUid(ExchangeStore::kToDo, entries[i].uid, rowIds[i]);
                tx.commit();
            }
        } catch (const sql::DbError&) {
        }
    }
    writeWhole(file, exchange::writeCalendar(entries, localZone()));
    ExchangeResult r;
    r.written = static_cast<int>(entries.size());
    return r;
}

ExchangeResult ExchangeService::importCalendar(const QString& file, const ImportProgress& progress) {
    const std::string bytes = readImportFile(file, exchange::mayBeCalendar, QStringLiteral("NotCalendarFile"),
                                             "it does not begin with BEGIN:VCALENDAR");
    exchange::CalendarRead read;
    try {
        exchange::ReadLimits limits;
        limits.maxEntries = ImportLimits::kMaxEntries;
        limits.maxTitleBytes = ImportLimits::kMaxTitleKBytes * 1024;
        limits.maxCommentBytes = ImportLimits::kMaxCommentKBytes * 1024;
        if (progress)
            limits.step = [&progress](std::size_t done, std::size_t total) {
                return progress(0.5 * static_cast<double>(done) / static_cast<double>(std::max<std::size_t>(total, 1)));
            };
        read = exchange::readCalendar(bytes, localZone(), clock().now(), limits);
    } catch (const exchange::ExchangeStopped&) {
        stopped();
    } catch (const exchange::ExchangeLimitError& e) {
        fail(QStringLiteral("ExchangeTooManyEntries"), {file, static_cast<qlonglong>(e.limit)});
    } catch (const exchange::ExchangeError& e) {
        fail(QStringLiteral("NotCalendarFile"), {file, QString::fromUtf8(e.what())});
    }
    ExchangeResult r;
    r.skipped = read.skipped;
    r.ruleNotKept = texts(read.ruleNotKept);
    r.ruleRefused = texts(read.ruleRefused);
    r.tooLong = texts(read.tooLong);

    ExchangeStore& ids = data_.exchange();
    if (!ids.ensureTable()) fail(QStringLiteral("ExchangeDatabaseReadOnly"), {});
    HeldSignals tasks(data_.tasks());
    HeldSignals holidays(data_.holidays());
    HeldSignals plans(data_.plans());
    {
        sql::Transaction tx(data_.connTAMO);
        std::size_t row = 0;
        for (CalendarEntry& e : read.entries) {
            if (!rowDone(progress, row++, read.entries.size())) stopped();
            std::optional<TaskRow> existing;
            if (const auto id = ids.rowOf(ExchangeStore::kToDo, e.uid)) {
                TaskRow row = data_.tasks().task(static_cast<std::int32_t>(*id));
                if (row.TDID != 0) existing = row;
            }
            const auto before = existing ? entryOfRow(*existing) : std::nullopt;
            if (before && exchange::sameEntry(*before, e)) {
                ++r.unchanged;
                continue;
            }
            const std::int64_t rowId = writeCalendarEntry(data_, e, existing);
            // The store whose rows changed (a row of another kind gave way
            // in the tasks' table).
            if (existing || e.kind == EntryKind::Task || e.kind == EntryKind::AfterStart) tasks.touched = true;
            if (e.kind == EntryKind::Holiday) holidays.touched = true;
            if (e.kind == EntryKind::Plan) plans.touched = true;
            ids.setUid(ExchangeStore::kToDo, e.uid, rowId);
            ++(existing ? r.updated : r.added);
        }
        tx.commit();
    }
    return r;
}

ExchangeResult ExchangeService::exportContacts(const QString& file) {
    ExchangeStore& ids = data_.exchange();
    const std::vector<ContactRow> rows = data_.contacts().allContacts();
    auto known = ids.uidsOf(ExchangeStore::kAddressBook);
    std::vector<Card> cards;
    cards.reserve(rows.size());
    std::vector<std::size_t> fresh;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        Card card = cardOf(rows[i]);
        const auto it = known.find(rows[i].ABID);
        if (it != known.end()) {
            card.uid = it->second;
        } else {
            card.uid = "urn:uuid:" + exchange::newUuid();
            fresh.push_back(i);
        }
        const QByteArray photo = readPhoto(rows[i].Photo);
        const QString type = photoTypeOf(photo);
        if (!type.isEmpty()) {
            card.photo = photo.toStdString();
            card.photoType = type.toStdString();
        }
        cards.push_back(std::move(card));
    }
    if (!fresh.empty()) {
        try {
            if (ids.ensureTable()) {
                sql::Transaction tx(data_.connTAMO);
                for (const std::size_t i : fresh) ids.setUid(ExchangeStore::kAddressBook, cards[i].uid, rows[i].ABID);
                tx.commit();
            }
        } catch (const sql::DbError&) {
        }
    }
    writeWhole(file, exchange::writeCards(cards));
    ExchangeResult r;
    r.written = static_cast<int>(cards.size());
    return r;
}

ExchangeResult ExchangeService::importContacts(const QString& file, const ImportProgress& progress) {
    const std::string bytes = readImportFile(file, exchange::mayBeVCard, QStringLiteral("NotVCardFile"),
                                             "it does not begin with BEGIN:VCARD");
    exchange::CardRead read;
    try {
        read = exchange::readCards(bytes, ImportLimits::kMaxEntries,
                                   [&progress](double done) { return !progress || progress(0.5 * done); });
    } catch (const exchange::ExchangeStopped&) {
        stopped();
    } catch (const exchange::ExchangeLimitError& e) {
        fail(QStringLiteral("ExchangeTooManyEntries"), {file, static_cast<qlonglong>(e.limit)});
    } catch (const exchange::ExchangeError& e) {
        fail(QStringLiteral("NotVCardFile"), {file, QString::fromUtf8(e.what())});
    }
    ExchangeResult r;
    r.skipped = read.skipped;
    ExchangeStore& ids = data_.exchange();
    if (!ids.ensureTable()) fail(QStringLiteral("ExchangeDatabaseReadOnly"), {});
    HeldSignals contacts(data_.contacts());
    {
        sql::Transaction tx(data_.connTAMO);
        std::size_t done = 0;
        for (Card& card : read.cards) {
            if (!rowDone(progress, done++, read.cards.size())) stopped();
            std::optional<ContactRow> existing;
            if (const auto id = ids.rowOf(ExchangeStore::kAddressBook, card.uid))
                existing = data_.contacts().person(*id);
            ContactRow row = contactOfCard(card);
            // A card without a photo leaves the stored one as it is.
            if (existing) row.Photo = existing->Photo;
            // A photo bigger than an export embeds would not come back out.
            if (static_cast<qint64>(card.photo.size()) > kMaxPhotoBytes) {
                r.photoTooBig << text(card.firstName.empty() ? card.lastName : card.firstName + " " + card.lastName);
                card.photo.clear();
            }
            const QByteArray photo = QByteArray::fromStdString(card.photo);
            const QString type = photoTypeOf(photo);
            if (!type.isEmpty()) {
                if (existing && readPhoto(existing->Photo) == photo) row.Photo = existing->Photo;
                else row.Photo = storePhoto(card.uid, photo, type);
            }
            if (existing && sameContact(*existing, row)) {
                ++r.unchanged;
                continue;
            }
            std::int64_t id = 0;
            if (existing) {
                id = existing->ABID;
                data_.contacts().updateContact(id, row);
                ++r.updated;
            } else {
                id = data_.contacts().insertContact(row);
                ++r.added;
            }
            contacts.touched = true;
            ids.setUid(ExchangeStore::kAddressBook, card.uid, id);
        }
        tx.commit();
    }
    return r;
}

QString ExchangeService::message(const QString& key) { return englishOr(key); }

QString ExchangeService::calendarExportSummary(const ExchangeResult& r, const QString& file) {
    return FormatMessageText(message(QStringLiteral("CalendarExported")), {r.written, file});
}

QString ExchangeService::contactExportSummary(const ExchangeResult& r, const QString& file) {
    return FormatMessageText(message(QStringLiteral("ContactsExported")), {r.written, file});
}

QString ExchangeService::importSummary(const ExchangeResult& r, const QString& file) {
    QString s = FormatMessageText(message(QStringLiteral("ExchangeImported")),
                                  {file, r.added, r.updated, r.unchanged, r.skipped});
    // At most ten titles a line, so the message stays readable.
    const auto titles = [](const QStringList& list) {
        constexpr int kShown = 10;
        QString t = list.mid(0, kShown).join(QStringLiteral("; "));
        if (list.size() > kShown) t += QStringLiteral("; … (+%1)").arg(list.size() - kShown);
        return t;
    };
    if (!r.ruleNotKept.isEmpty())
        s += QLatin1Char(' ') +
             FormatMessageText(message(QStringLiteral("ExchangeRuleNotKept")), {titles(r.ruleNotKept)});
    if (!r.ruleRefused.isEmpty())
        s += QLatin1Char(' ') +
             FormatMessageText(message(QStringLiteral("ExchangeRuleRefused")), {titles(r.ruleRefused)});
    if (!r.tooLong.isEmpty())
        s += QLatin1Char(' ') +
             FormatMessageText(message(QStringLiteral("ExchangeTooLong")),
                               {ImportLimits::kMaxTitleKBytes, ImportLimits::kMaxCommentKBytes, titles(r.tooLong)});
    if (!r.photoTooBig.isEmpty())
        s += QLatin1Char(' ') +
             FormatMessageText(message(QStringLiteral("ExchangePhotoTooBig")),
                               {static_cast<qlonglong>(kMaxPhotoBytes / kMegabyte), titles(r.photoTooBig)});
    return s;
}

}  // namespace ostrel
