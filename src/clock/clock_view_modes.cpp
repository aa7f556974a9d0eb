#include "clock/clock_window.h"

#include <QDir>
#include <QPixmap>
#include <QRegion>

#include <stdexcept>

#include "base/app_paths.h"
#include "base/language_texts.h"
#include "clock/analog_face.h"
#include "clock/clock_keys.h"
#include "clock/tray_clock.h"
#include "core/image/jpeg_reader.h"
#include "ui/settings_model.h"

namespace ostrel {

namespace {

// The English texts of messages about a damaged installation, for when the
// language files are gone as well.
const QString kDialUnreadable = QStringLiteral(
    "The clock face picture %s is missing or damaged, so the analog clock cannot be shown. The clock stays as it "
    "was; reinstalling the program puts the picture back.");

}  // namespace

void TfrmClock::setViewMode(TViewMode mode) {
    trayFallback_ = false;  // a mode chosen stays
    if (mode == viewMode_) return;
    switch (mode) {
        case vmSysTrayIcon: switchToTrayIcon(); break;
        case vmSysTrayClock: switchToTrayClock(); break;
        case vmFreeClock: switchToFreeClock(); break;
        case vmAnalogClock: switchToAnalogClock(); break;
        default: return;
    }
    keptProgramView_ = 0;  // a mode taken: stored as it is
    settings().setValue(kGeneralSection, clockKey::programView, int(viewMode_) + 1);
}

ClockViewState TfrmClock::viewState() const { return {viewMode_, QRect(place(), size())}; }

void TfrmClock::restoreViewState(const ClockViewState& state) {
    setViewMode(state.mode);
    if (viewMode_ == vmFreeClock || viewMode_ == vmAnalogClock) setGeometry(state.geometry);
}

void TfrmClock::saveView() {
    SettingsModel& s = settings();
    s.setValue(kGeneralSection, clockKey::programView, keptProgramView_ ? keptProgramView_ : int(viewMode_) + 1);
    QStringList keys{clockKey::programView};
    if (s.value(kGeneralSection, clockKey::trayHintShown).toBool()) keys << clockKey::trayHintShown;
    if (!s.saveKeys(kGeneralSection, keys)) return;
    if (viewMode_ == vmFreeClock || viewMode_ == vmAnalogClock) storePosition();
}

void TfrmClock::switchToTrayIcon() {
    if (viewMode_ == vmSysTrayClock) RemoveTrayClock();
    setClockVisible(false);
    showTrayIcon(true);
    viewMode_ = vmSysTrayIcon;
    applyWindowFlags();
}

void TfrmClock::switchToTrayClock() {
    if (viewMode_ == vmSysTrayIcon) {
        showTrayIcon(false);
        setClockVisible(true);
    }
    if (viewMode_ == vmFreeClock || viewMode_ == vmAnalogClock) storePosition();
    if (viewMode_ != vmSysTrayClock) {
        imgAnalogClock->clear();
        clearMask();
        resize(50, 50);
    }
    CreateTrayClock();
    viewMode_ = vmSysTrayClock;
    showFaceParts();
    applyWindowFlags();
    EmbedClockWindow(this);
    resize(width() - 1, height() - 1);
    raise();
    showTrayIcon(false);
    setClockVisible(true);
}

void TfrmClock::switchToFreeClock() {
    const TViewMode from = viewMode_;
    setClockVisible(false);
    if (from == vmSysTrayClock) RemoveTrayClock();
    if (from == vmSysTrayIcon) showTrayIcon(false);
    if (from == vmSysTrayIcon || from == vmAnalogClock) imgAnalogClock->clear();
    // Small, so the layout below sizes it to its text; never empty: the
    // toolkit keeps a window it once gave an empty size off the display,
    // and the change of flags below takes away the resize that would lift
    // that, so the clock would stay unmapped while counted as shown.
    resize(1, 1);
    clearMask();
    moveToStoredPosition();
    viewMode_ = vmFreeClock;
    showFaceParts();
    applyWindowFlags();
    // Sized to its text at once, not only by the next tick.
    layoutDigital();
    setClockVisible(true);
}

void TfrmClock::switchToAnalogClock() {
    // The dial is read before anything changes: a picture that cannot be
    // read stops the switch with the clock still whole in its present mode
    // (the icon still there, the panel clock still in its corner).
    QPixmap dial;
    try {
        dial = LoadAnalogFace(analogDialPath());
    } catch (const JpegError&) {
        // Said in the user's language; whether the file is missing or
        // damaged, the remedy is the same.
        throw std::runtime_error(FormatMessageText(GetLangMessageOr(QStringLiteral("DialUnreadable"), kDialUnreadable),
                                                   {QDir::toNativeSeparators(analogDialPath())})
                                     .toStdString());
    }
    const TViewMode from = viewMode_;
    setClockVisible(false);
    if (from == vmSysTrayClock) RemoveTrayClock();
    showTrayIcon(false);
    // The digital time is not drawn over the dial.
    lbClock->clear();
    setClockVisible(true);
    imgAnalogClock->setPixmap(dial);
    resize(96, 96);
    setMask(QRegion(0, 0, 97, 97, QRegion::Ellipse));
    moveToStoredPosition();
    viewMode_ = vmAnalogClock;
    showFaceParts();
    applyWindowFlags();
    setClockVisible(true);
}

void TfrmClock::showFaceParts() {
    // The dial and the hands are shown only in the analog mode: hidden, they
    // cost nothing when the digital clock is redrawn every second. (The
    // text stays: it is empty in the analog mode, and showing it again
    // would restyle it with the font it had when first shown.)
    const bool analog = viewMode_ == vmAnalogClock;
    imgAnalogClock->setVisible(analog);
    pbArrows->setVisible(analog);
}

void TfrmClock::applyWindowFlags() {
    Qt::WindowFlags flags = Qt::Tool | Qt::FramelessWindowHint;
    if (viewMode_ == vmFreeClock || viewMode_ == vmAnalogClock || viewMode_ == vmSysTrayClock)
        flags |= Qt::WindowStaysOnTopHint;
    if (windowFlags() == flags) return;
    const bool wasVisible = isVisible();
    setWindowFlags(flags);
    if (wasVisible) show();
}

void TfrmClock::setClockVisible(bool visible) {
    if (creating_) {
        showOnStart_ = visible;
        return;
    }
    setVisible(visible);
}

}  // namespace ostrel
