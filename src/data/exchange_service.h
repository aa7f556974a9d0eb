#pragma once
// Calendars and address books in and out: iCalendar files for the tasks,
// holidays and plans, vCard files for the contacts (docs/exchange.md).
// Every import runs in one transaction: a file is taken whole or not at
// all. The stores' changed() signals are held during an import and sent
// once at its end.

#include <QString>
#include <QStringList>

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
};

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
    ExchangeResult importCalendar(const QString& file);
    ExchangeResult exportContacts(const QString& file);
    ExchangeResult importContacts(const QString& file);

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
