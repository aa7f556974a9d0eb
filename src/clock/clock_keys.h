#pragma once
// The settings sections the clock window's parts read and write, and reading
// a value of the "Clock" section (declared by declareClockSettings,
// ui/clock_view.h).

#include <QString>
#include <QVariant>

#include <cstdint>

#include "core/clock/colors.h"
#include "ui/clock_view.h"
#include "ui/settings_model.h"

namespace ostrel {

inline const QString& kGeneralSection = clockKey::generalSection;
inline const QString& kClockSection = clockKey::clockSection;

inline QVariant clockValue(const QString& key) { return settings().value(kClockSection, key); }

inline Color clockColorValue(const QString& key) {
    return Color(static_cast<std::int32_t>(clockValue(key).toLongLong()));
}

}  // namespace ostrel
