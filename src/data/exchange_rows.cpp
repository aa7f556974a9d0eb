#include "data/exchange_rows.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <algorithm>

#include "base/app_paths.h"
#include "base/language_texts.h"
#include "core/data/period.h"
#include "data/data_module.h"
#include "data/exchange_service.h"
#include "data/holiday_store.h"
#include "data/plan_store.h"
#include "data/reminder_engine.h"

namespace ostrel {

using exchange::CalendarEntry;
using exchange::Card;
using exchange::EntryKind;

namespace {

std::string utf8(const QString& s) { return s.toStdString(); }

QString text(const std::string& s) { return QString::fromStdString(s); }

std::optional<std::string> optionalUtf8(const std::optional<QString>& s) {
    if (!s || s->trimmed().isEmpty()) return std::nullopt;
    return utf8(*s);
}

std::optional<QString> optionalText(const std::optional<std::string>& s) {
    if (!s || s->empty()) return std::nullopt;
    return text(*s);
}

[[noreturn]] void writeFailed(const QString& file, const QString& why) {
    throw ExchangeFailure(
        FormatMessageText(ExchangeService::message(QStringLiteral("ExchangeWriteFailed")), {file, why}).toStdString());
}

// Where a card's photo is kept: "Photos/<hash of its identifier>.<type>",
// so a card imported again finds its own file.
QString photoFileName(const std::string& uid, const QString& type) {
    const QByteArray hash = QCryptographicHash::hash(QByteArray::fromStdString(uid), QCryptographicHash::Sha1);
    QString ext = type.toLower();
    if (ext == QLatin1String("jpeg")) ext = QStringLiteral("jpg");
    return QString::fromLatin1(hash.toHex().left(20)) + QLatin1Char('.') + ext;
}

}  // namespace

CalendarEntry entryOfTask(const TaskRow& t) {
    CalendarEntry e;
    e.kind = isAfterStart(t.mesType) ? EntryKind::AfterStart : EntryKind::Task;
    e.title = utf8(t.Title);
    e.comment = utf8(t.Comment);
    e.start = t.FirstDT;
    e.dueAt = t.ShowDT;
    e.periodInt = static_cast<std::int32_t>(t.PeriodInt);
    e.periodType = t.PeriodInt > 0 ? t.PeriodType : puNone;
    e.elapseInt = static_cast<std::int32_t>(t.ElapseInt);
    e.elapseType = t.ElapseType;
    e.done = t.PeriodInt == 0 && isDealtWith(t.mesType);
    return e;
}

// Any ToDo row as the entry it is exported as.
std::optional<CalendarEntry> entryOfRow(const TaskRow& t) {
    if (isTask(t.mesType)) return entryOfTask(t);
    CalendarEntry e;
    e.title = utf8(t.Title);
    if (t.mesType == mtHoliday) {
        e.kind = EntryKind::Holiday;
        e.comment = utf8(t.Comment);
        e.start = t.FirstDT;
        e.elapseInt = static_cast<std::int32_t>(t.ElapseInt);
        return e;
    }
    if (t.mesType == mtPlan) {
        e.kind = EntryKind::Plan;
        e.start = t.ShowDT;
        e.elapseInt = static_cast<std::int32_t>(t.ElapseInt);
        return e;
    }
    return std::nullopt;
}

TaskRow taskOfEntry(const CalendarEntry& e) {
    TaskRow t;
    const bool afterStart = e.kind == EntryKind::AfterStart;
    t.FirstDT = e.start;
    t.ShowDT = afterStart ? e.start + ReminderEngine::LoadingTime() : e.start;
    t.PeriodInt = std::max<std::int32_t>(0, e.periodInt);
    t.PeriodType = t.PeriodInt > 0 && isPeriodUnit(e.periodType) ? e.periodType : puNone;
    if (t.PeriodType == puNone) t.PeriodInt = 0;
    const MesType kind = afterStart ? mtOnceAfterStart : mtOnceAtTime;
    t.mesType = e.done && t.PeriodInt == 0 ? dealtWith(kind) : kind;
    t.Title = text(e.title);
    t.Comment = text(e.comment);
    t.ElapseInt = std::max<std::int32_t>(0, e.elapseInt);
    t.ElapseType = e.elapseType >= puMinutes && e.elapseType <= puDays ? e.elapseType : puHours;
    return t;
}

// ---- contacts ----

QString photoTypeOf(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xD8\xFF")) return QStringLiteral("JPEG");
    if (bytes.startsWith("\x89PNG")) return QStringLiteral("PNG");
    if (bytes.startsWith("GIF8")) return QStringLiteral("GIF");
    if (bytes.startsWith("BM")) return QStringLiteral("BMP");
    return {};
}

QByteArray readPhoto(const std::optional<QString>& stored) {
    if (!stored || stored->isEmpty()) return {};
    QFile f(resolvePhotoPath(*stored));
    if (!f.open(QIODevice::ReadOnly) || f.size() > ImportLimits::kMaxPhotoBytes) return {};
    return f.readAll();
}

Card cardOf(const ContactRow& c) {
    Card card;
    card.lastName = utf8(c.LastName.trimmed());
    card.firstName = utf8(c.FirstName.trimmed());
    card.birthday = c.Birthday;
    card.homePhone = optionalUtf8(c.HomePhone);
    card.jobPhone = optionalUtf8(c.JobPhone);
    card.mobilePhone = optionalUtf8(c.MobilePhone);
    card.address = optionalUtf8(c.Address);
    card.mail = optionalUtf8(c.Mail);
    card.icq = optionalUtf8(c.ICQ);
    card.webSite = optionalUtf8(c.Web_site);
    card.comment = optionalUtf8(c.Comment);
    card.group =
        c.Group >= 1 && c.Group <= 3 ? static_cast<exchange::CardGroup>(c.Group) : exchange::CardGroup::NotAssigned;
    return card;
}

// The row a card becomes; Photo is left to the caller.
ContactRow contactOfCard(const Card& card) {
    ContactRow c;
    // The names may not be empty in the table; the editor stores a blank.
    c.LastName = card.lastName.empty() ? QStringLiteral(" ") : text(card.lastName);
    c.FirstName = card.firstName.empty() ? QStringLiteral(" ") : text(card.firstName);
    if (card.birthday) c.Birthday = datePart(*card.birthday);
    c.HomePhone = optionalText(card.homePhone);
    c.JobPhone = optionalText(card.jobPhone);
    c.MobilePhone = optionalText(card.mobilePhone);
    c.Address = optionalText(card.address);
    c.Mail = optionalText(card.mail);
    c.ICQ = optionalText(card.icq);
    c.Web_site = optionalText(card.webSite);
    c.Comment = optionalText(card.comment);
    c.Group = static_cast<std::int64_t>(card.group);
    return c;
}

// Two rows that hold the same contact (blank names and empty fields are
// the same as none).
bool sameContact(const ContactRow& a, const ContactRow& b) {
    auto norm = [](const std::optional<QString>& s) { return s && !s->trimmed().isEmpty() ? *s : QString(); };
    auto bday = [](const std::optional<DateTime>& d) { return d ? datePart(*d) : -1e300; };
    return a.LastName.trimmed() == b.LastName.trimmed() && a.FirstName.trimmed() == b.FirstName.trimmed() &&
           norm(a.Photo) == norm(b.Photo) && bday(a.Birthday) == bday(b.Birthday) &&
           norm(a.HomePhone) == norm(b.HomePhone) && norm(a.JobPhone) == norm(b.JobPhone) &&
           norm(a.MobilePhone) == norm(b.MobilePhone) && norm(a.Address) == norm(b.Address) &&
           norm(a.Mail) == norm(b.Mail) && norm(a.ICQ) == norm(b.ICQ) && norm(a.Web_site) == norm(b.Web_site) &&
           norm(a.Comment) == norm(b.Comment) && a.Group == b.Group;
}

// Writes the photo beside the program (unless a file with those bytes is
// there already) and returns the path to store.
QString storePhoto(const std::string& uid, const QByteArray& bytes, const QString& type) {
    const QString name = photoFileName(uid, type);
    const QString path = photosDir() + QLatin1Char('/') + name;
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly) && existing.size() == bytes.size() && existing.readAll() == bytes)
        return storablePhotoPath(path);
    existing.close();
    if (!QDir().mkpath(photosDir())) writeFailed(photosDir(), QString());
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) writeFailed(path, f.errorString());
    if (f.write(bytes) != bytes.size() || !f.commit()) writeFailed(path, f.errorString());
    return storablePhotoPath(path);
}

std::int64_t writeCalendarEntry(TDataModule1& data, const CalendarEntry& e, const std::optional<TaskRow>& existingRow) {
    std::optional<TaskRow> existing = existingRow;
    const auto before = existing ? entryOfRow(*existing) : std::nullopt;
    // A row of another kind under that identifier gives way.
    const bool sameKind =
        before && (before->kind == e.kind || (before->kind != EntryKind::Holiday && before->kind != EntryKind::Plan &&
                                              e.kind != EntryKind::Holiday && e.kind != EntryKind::Plan));
    if (existing && !sameKind) {
        data.tasks().removeTask(existing->TDID);
        existing.reset();
    }
    std::int64_t rowId = existing ? existing->TDID : 0;
    switch (e.kind) {
        case EntryKind::Task:
        case EntryKind::AfterStart: {
            TaskRow t = taskOfEntry(e);
            if (existing) {
                t.TDID = existing->TDID;
                data.tasks().updateTask(t);
            } else {
                rowId = data.tasks().insertTask(t);
            }
            break;
        }
        case EntryKind::Holiday: {
            HolidayRow h;
            h.TDID = existing ? existing->TDID : 0;
            h.FirstDT = e.start;
            h.Title = text(e.title);
            h.Comment = text(e.comment);
            h.ElapseInt = std::max<std::int32_t>(0, e.elapseInt);
            rowId = existing ? data.holidays().updateHoliday(h) : data.holidays().insertHoliday(h);
            break;
        }
        case EntryKind::Plan: {
            const int slotCount = std::clamp(e.elapseInt, 1, 48);
            if (existing) data.plans().updatePlanRow(existing->TDID, text(e.title), e.start, slotCount);
            else rowId = data.plans().insertPlan(text(e.title), e.start, slotCount);
            break;
        }
    }
    return rowId;
}

}  // namespace ostrel
