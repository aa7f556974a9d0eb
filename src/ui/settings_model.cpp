#include "ui/settings_model.h"

#include "base/language_texts.h"
#include "ui/settings_file.h"

namespace ostrel {

namespace {

bool isInteger(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong: return true;
        default: return false;
    }
}

// The value as the kind of the default.
QVariant asKindOf(const QVariant& defaultValue, const QVariant& value) {
    if (defaultValue.typeId() == QMetaType::Bool) return value.toBool();
    if (isInteger(defaultValue)) {
        bool ok = false;
        const qlonglong v = value.toLongLong(&ok);
        return ok ? QVariant(v) : defaultValue;
    }
    return value.toString();
}

}  // namespace

SettingsModel::SettingsModel(QObject* parent) : QObject(parent) { setObjectName(QStringLiteral("settings")); }

void SettingsModel::declare(const QString& section, const QString& key, const QVariant& defaultValue) {
    auto [it, added] = entries_.try_emplace({section, key});
    it->second.defaultValue = defaultValue;
    if (added) it->second.value = defaultValue;
}

bool SettingsModel::isDeclared(const QString& section, const QString& key) const {
    return entries_.count({section, key}) > 0;
}

QVariant SettingsModel::value(const QString& section, const QString& key) const {
    const auto it = entries_.find({section, key});
    return it == entries_.end() ? QVariant() : it->second.value;
}

void SettingsModel::setValue(const QString& section, const QString& key, const QVariant& value) {
    const auto it = entries_.find({section, key});
    if (it == entries_.end()) return;
    const QVariant v = asKindOf(it->second.defaultValue, value);
    if (v == it->second.value) return;
    it->second.value = v;
    emit changed(section, key);
}

bool SettingsModel::load(const QString& section) {
    std::vector<std::pair<Name, QVariant>> read;
    const bool ok = withSettingsFile([&](IniFile& ini) {
        for (const auto& [name, entry] : entries_) {
            if (!section.isEmpty() && name.first != section) continue;
            const auto text = ini.findValue(encodeLanguageText(name.first), encodeLanguageText(name.second));
            if (!text) {
                read.push_back({name, entry.defaultValue});
                continue;
            }
            const QVariant& def = entry.defaultValue;
            if (def.typeId() == QMetaType::Bool) {
                read.push_back({name, ini.readBool(encodeLanguageText(name.first), encodeLanguageText(name.second),
                                                   def.toBool())});
            } else if (isInteger(def)) {
                const auto v = IniFile::parseInteger(*text);
                read.push_back({name, v ? QVariant(qlonglong(*v)) : def});
            } else {
                read.push_back({name, decodeLanguageText(*text)});
            }
        }
    });
    if (!ok) return false;
    for (const auto& [name, v] : read) setValue(name.first, name.second, v);
    return true;
}

void SettingsModel::write(IniFile& ini, const Name& name, const Entry& entry) {
    const std::string s = encodeLanguageText(name.first);
    const std::string k = encodeLanguageText(name.second);
    const QVariant& v = entry.value;
    if (entry.defaultValue.typeId() == QMetaType::Bool) ini.writeBool(s, k, v.toBool());
    else if (isInteger(entry.defaultValue)) ini.writeInteger(s, k, v.toLongLong());
    else ini.writeString(s, k, encodeLanguageText(v.toString()));
}

bool SettingsModel::save(const QString& section) {
    return withSettingsFile([&](IniFile& ini) {
        for (const auto& [name, entry] : entries_) {
            if (!section.isEmpty() && name.first != section) continue;
            write(ini, name, entry);
        }
    });
}

bool SettingsModel::saveKeys(const QString& section, const QStringList& keys) {
    return withSettingsFile([&](IniFile& ini) {
        for (const QString& key : keys) {
            const auto it = entries_.find({section, key});
            if (it != entries_.end()) write(ini, it->first, it->second);
        }
    });
}

SettingsModel& settings() {
    static SettingsModel model;
    return model;
}

}  // namespace ostrel
