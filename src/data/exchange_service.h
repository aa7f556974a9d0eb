#pragma once
// Calendars and address books in and out: iCalendar files for the tasks,
// holidays and plans, vCard files for the contacts (docs/exchange.md).
// Every import runs in one transaction: a file is taken whole or not at
// all. The stores' changed() signals are held during an import and sent
// once at its end.

#include <QString>
#include <QStringList>

#include <functional>
#include <stdexcept>

namespace ostrel {

class TDataModule1;

// What an export or an import did.
struct ExchangeResult {
    int written = 0;    // export: entries written
    int added = 0;      // import: new rows
    int updated = 0;    // import: rows of the same identifier changed
    int unchanged = 0;  // import: rows of the same identifier already equal
    int skipped = 0;    // import: components or cards left out
    // Import: titles of repeating events taken as their next occurrence.
    QStringList ruleNotKept;
    // Import, left out: repeating events whose next occurrence cannot be
    // worked out; entries of a title or comment over the limit; contacts
    // whose photo is over the limit keep no photo from the file.
    QStringList ruleRefused;
    QStringList tooLong;
    QStringList photoTooBig;
};

// What one import may take (docs/exchange.md, Limits): a bigger file, or one
// of more entries or cards, is refused whole; a longer title or comment
// leaves its entry out, a bigger photo its picture. Reading costs about
// four times the file's size in memory at most.
struct ImportLimits {
    static constexpr qint64 kMaxFileBytes = 64ll * 1024 * 1024;
    static constexpr int kMaxEntries = 100000;  // events and to-dos, or cards
    static constexpr int kMaxTitleKBytes = 64;
    static constexpr int kMaxCommentKBytes = 1024;
    // Also what an export embeds at most.
    static constexpr qint64 kMaxPhotoBytes = 16ll * 1024 * 1024;
};

// Asked between two entries or rows of an import with the share done (0 to
// 1); false stops it: nothing is imported then (ExchangeFailure with the
// text "ExchangeStopped").
using ImportProgress = std::function<bool(double done)>;

// An export or import that could not be done; the text is for the user
// (in the current language).
class ExchangeFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    QString text() const { return QString::fromUtf8(what()); }
};

class ExchangeService {
public:
    explicit ExchangeService(TDataModule1& data);

    ExchangeResult exportCalendar(const QString& file);
    ExchangeResult importCalendar(const QString& file, const ImportProgress& progress = {});
    ExchangeResult exportContacts(const QString& file);
    ExchangeResult importContacts(const QString& file, const ImportProgress& progress = {});

    // The one-line summary of a result in the current language.
    static QString calendarExportSummary(const ExchangeResult& r, const QString& file);
    static QString contactExportSummary(const ExchangeResult& r, const QString& file);
    static QString importSummary(const ExchangeResult& r, const QString& file);
    // A message text of the current language; the English text when the
    // language file lacks it (the command line works without the files).
    static QString message(const QString& key);

private:
    TDataModule1& data_;
};

}  // namespace ostrel
