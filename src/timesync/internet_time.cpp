#include "timesync/internet_time.h"

#include <QPointer>

#include <cmath>

#include "base/language_texts.h"
#include "ui/dialog_service.h"
#include "ui/guarded.h"
#include "ui/settings_model.h"

namespace ostrel {

namespace {
const QString kCaption = QStringLiteral("Ostrel Organizer");
}

std::optional<std::vector<TimeServer>> configuredTimeServers() {
    const QString section = QStringLiteral("InternetTime");
    const QString key = QStringLiteral("Servers");
    SettingsModel& s = settings();
    s.declare(section, key, QString());
    if (!s.load(section)) return std::nullopt;
    const std::vector<TimeServer> servers = parseTimeServers(s.value(section, key).toString().toStdString());
    return servers.empty() ? defaultTimeServers() : servers;
}

InternetTimeCorrection::InternetTimeCorrection(QObject* parent)
    : InternetTimeCorrection(systemHostResolver(), systemClockSetter(), parent) {}

InternetTimeCorrection::InternetTimeCorrection(HostResolver& resolver, SystemClockSetter& setter, QObject* parent)
    : QObject(parent), client_(resolver, this), setter_(&setter) {
    connect(&client_, &SntpClient::finished, this, &InternetTimeCorrection::exchangeFinished);
}

void InternetTimeCorrection::start() {
    if (running_) return;
    const bool ok = runGuarded([this] {
        const auto servers = configuredTimeServers();
        if (!servers) return;  // reported by the settings helper
        setRunning(true);
        client_.start(*servers);
    });
    if (!ok) setRunning(false);
}

void InternetTimeCorrection::exchangeFinished(const QList<double>& offsetsMs) {
    const bool ok = runGuarded([&] {
        const auto mean = meanOffsetMs(std::vector<double>(offsetsMs.begin(), offsetsMs.end()));
        if (!mean) {
            showMessage(GetLangMessage(QStringLiteral("CorrectionNotPossible")), kCaption, MsgIcon::None, MsgOk);
            setRunning(false);
            return;
        }
        const OffsetDisplay shown = offsetForDisplay(*mean);
        const QString text = FormatMessageText(GetLangMessage(QStringLiteral("TimeOffsetIs")),
                                               {QVariant::fromValue<qlonglong>(shown.seconds), shown.milliseconds});
        if (showMessage(text, kCaption, MsgIcon::Question, MsgYes | MsgNo) != MsgYes) {
            setRunning(false);
            return;
        }
        // Counted from the moment of the answer.
        QPointer<InternetTimeCorrection> self(this);
        setter_->step(std::llround(*mean * 1000.0), [self](const ClockStepResult& result) {
            if (self) self->stepDone(result);
        });
    });
    if (!ok) setRunning(false);
}

void InternetTimeCorrection::stepDone(const ClockStepResult& result) {
    const bool ok = runGuarded([&] {
        QString key;
        switch (result.status) {
            case ClockStepStatus::Done: break;
            case ClockStepStatus::NoPermission: key = QStringLiteral("TimeSetNoPermission"); break;
            case ClockStepStatus::AutomaticSync: key = QStringLiteral("TimeSetAutomaticSync"); break;
            case ClockStepStatus::Refused: key = QStringLiteral("TimeSetRefused"); break;
            case ClockStepStatus::Unavailable: key = QStringLiteral("TimeSetUnavailable"); break;
        }
        if (!key.isEmpty())
            showMessage(FormatMessageText(GetLangMessage(key), {result.detail}), kCaption, MsgIcon::Warning, MsgOk);
        setRunning(false);
    });
    if (!ok) setRunning(false);
}

void InternetTimeCorrection::setRunning(bool running) {
    if (running_ == running) return;
    running_ = running;
    emit runningChanged(running);
}

}  // namespace ostrel
