#pragma once
// The settings of the program while it runs: one value per key of the
// settings file (ui/settings_file.h), read by load() and written by save().
// A window area declares the keys of its own section once, with their
// defaults, and then reads and writes them here only; widgets show a value
// and hand changes back, they never hold the truth themselves.
//
//     SettingsModel& s = settings();
//     s.declare("PocketBook", "FontSize", 10);
//     s.load("PocketBook");
//     int size = s.value("PocketBook", "FontSize").toInt();
//     s.setValue("PocketBook", "FontSize", 12);
//     s.save("PocketBook");
//
// Values are integers, booleans or texts (the kind of the default). A value
// the file holds in a form the key cannot take keeps the default.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <map>
#include <utility>
#include <vector>

namespace ostrel {

class IniFile;

class SettingsModel : public QObject {
    Q_OBJECT
public:
    explicit SettingsModel(QObject* parent = nullptr);

    // Makes a key known with its default; declaring it again keeps its
    // present value.
    void declare(const QString& section, const QString& key, const QVariant& defaultValue);
    bool isDeclared(const QString& section, const QString& key) const;

    // The key's present value (its default until loaded or set). An
    // undeclared key reads as an invalid QVariant.
    QVariant value(const QString& section, const QString& key) const;
    // Changes a declared key (changed() when the value differs).
    void setValue(const QString& section, const QString& key, const QVariant& value);

    // Reads the declared keys of one section (every section when empty) from
    // the settings file. False when the file could not be read (reported as
    // withSettingsFile does); the values stay as they were.
    bool load(const QString& section = {});
    // Writes the declared keys of one section (every section when empty).
    bool save(const QString& section = {});
    // Writes only these declared keys of a section, in this order.
    bool saveKeys(const QString& section, const QStringList& keys);

signals:
    void changed(const QString& section, const QString& key);

private:
    struct Entry;
    using Name = std::pair<QString, QString>;
    static void write(IniFile& ini, const Name& name, const Entry& entry);

    struct Entry {
        QVariant defaultValue;
        QVariant value;
    };
    std::map<Name, Entry> entries_;
};

// The program's one settings model.
SettingsModel& settings();

}  // namespace ostrel
