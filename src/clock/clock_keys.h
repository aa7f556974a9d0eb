#pragma once
// The settings sections the clock window's parts read and write, and reading
// a value of the "Clock" section (declared by declareClockSettings,
// ui/clock_view.h).

#include <QString>
#include <QVariant>

#include <cstdint>

#include "core/clock/colors.h"
#include "ui/settings_model.h"

namespace ostrel {

inline const QString kGeneralSection = QStringLiteral("General");
inline const QString kClockSection = QStringLiteral("Clock");

inline QVariant clockValue(const char* key) { return settings().value(kClockSection, QLatin1String(key)); }

inline Color clockColorValue(const char* key) {
    return Color(static_cast<std::int32_t>(clockValue(key).toLongLong()));
}

}  // namespace ostrel
