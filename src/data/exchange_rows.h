#pragma once
// Rows of the stores as the codecs' entries and cards, and back: what the
// file exchange (exchange_service.h) and the server sync share.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>

#include "core/exchange/calendar_codec.h"
#include "core/exchange/vcard_codec.h"
#include "data/contact_store.h"
#include "data/task_store.h"

namespace ostrel {

class TDataModule1;

// A task row as the entry it travels as.
exchange::CalendarEntry entryOfTask(const TaskRow& t);
// Any ToDo row (task, holiday, plan) as its entry; nothing for other kinds.
std::optional<exchange::CalendarEntry> entryOfRow(const TaskRow& t);
// The task row an entry of kind Task or AfterStart becomes.
TaskRow taskOfEntry(const exchange::CalendarEntry& e);

// Writes an entry into the ToDo table: into the existing row when given
// and of a kind the entry can take (a task stays a task, a holiday a
// holiday), else into a new row (an existing row of another kind is
// deleted). Returns the row's TDID. The stores emit changed().
std::int64_t writeCalendarEntry(TDataModule1& data, const exchange::CalendarEntry& e,
                                const std::optional<TaskRow>& existing);

// A contact row as a card (without its photo) and back (Photo is left to
// the caller).
exchange::Card cardOf(const ContactRow& c);
ContactRow contactOfCard(const exchange::Card& card);
// Two rows holding the same contact (blank names and empty fields are the
// same as none).
bool sameContact(const ContactRow& a, const ContactRow& b);

// The picture type of a photo's bytes ("JPEG", "PNG", "GIF", "BMP"; empty
// when none of these).
QString photoTypeOf(const QByteArray& bytes);
// A stored photo's bytes (empty when there is none or it is too big).
QByteArray readPhoto(const std::optional<QString>& stored);
// Writes a card's photo into the photos folder (unless a file with those
// bytes is there already) and returns the path to store. Throws
// ExchangeFailure when it cannot be written.
QString storePhoto(const std::string& uid, const QByteArray& bytes, const QString& type);

}  // namespace ostrel
