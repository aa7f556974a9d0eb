#include "settings/sync_page.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/app_paths.h"
#include "base/language_texts.h"
#include "data/data_module.h"
#include "data/sync_store.h"
#include "ui/dialog_service.h"
#include "ui/locale_format.h"
#include "ui/settings_model.h"

namespace ostrel {

namespace {

const QString kSection = QStringLiteral("Sync");
QString g_helperPath;

QString text(const char* key, const char* english) {
    return GetLangMessageOr(QString::fromLatin1(key), QString::fromUtf8(english));
}

QLabel* label(const char* name, const char* english, QWidget* parent) {
    auto* l = new QLabel(QString::fromUtf8(english), parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setWordWrap(true);
    return l;
}

}  // namespace

SyncPage::SyncPage(QWidget* parent) : QGroupBox(QStringLiteral("Sync"), parent) {
    setObjectName(QStringLiteral("gbSync"));
    edSyncUrl = new QLineEdit(this);
    edSyncUrl->setObjectName(QStringLiteral("edSyncUrl"));
    edSyncUrl->setPlaceholderText(QStringLiteral("https://"));
    edSyncUser = new QLineEdit(this);
    edSyncUser->setObjectName(QStringLiteral("edSyncUser"));
    edSyncPassword = new QLineEdit(this);
    edSyncPassword->setObjectName(QStringLiteral("edSyncPassword"));
    edSyncPassword->setEchoMode(QLineEdit::Password);
    cbSyncCalendar = new QComboBox(this);
    cbSyncCalendar->setObjectName(QStringLiteral("cbSyncCalendar"));
    cbSyncAddressBook = new QComboBox(this);
    cbSyncAddressBook->setObjectName(QStringLiteral("cbSyncAddressBook"));
    cbSyncInterval = new QComboBox(this);
    cbSyncInterval->setObjectName(QStringLiteral("cbSyncInterval"));
    btnSyncDiscover = new QPushButton(QStringLiteral("Find"), this);
    btnSyncDiscover->setObjectName(QStringLiteral("btnSyncDiscover"));
    btnSyncNow = new QPushButton(QStringLiteral("Sync now"), this);
    btnSyncNow->setObjectName(QStringLiteral("btnSyncNow"));
    lbSyncStatus = new QLabel(this);
    lbSyncStatus->setObjectName(QStringLiteral("lbSyncStatus"));
    lbSyncStatus->setWordWrap(true);

    auto* form = new QFormLayout;
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);
    form->addRow(label("lbSyncUrl", "Server", this), edSyncUrl);
    form->addRow(label("lbSyncUser", "User name", this), edSyncUser);
    form->addRow(label("lbSyncPassword", "Password", this), edSyncPassword);
    form->addRow(label("lbSyncCalendar", "Calendar", this), cbSyncCalendar);
    form->addRow(label("lbSyncAddressBook", "Address book", this), cbSyncAddressBook);
    form->addRow(label("lbSyncInterval", "Sync every", this), cbSyncInterval);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnSyncDiscover);
    buttons->addWidget(btnSyncNow);
    buttons->addStretch(1);
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(4, 4, 4, 4);
    l->addLayout(form);
    l->addLayout(buttons);
    l->addWidget(lbSyncStatus);
    l->addStretch(1);

    connect(btnSyncDiscover, &QPushButton::clicked, this, &SyncPage::discover);
    connect(btnSyncNow, &QPushButton::clicked, this, &SyncPage::syncNow);
    auto picked = [this] { picked_ = true; };
    connect(cbSyncCalendar, &QComboBox::activated, this, picked);
    connect(cbSyncAddressBook, &QComboBox::activated, this, picked);
}

SyncPage::~SyncPage() {
    if (helper_) {
        helper_->disconnect();
        // A sync now running goes on; the process object does not wait.
        helper_->setParent(nullptr);
        QObject::connect(helper_, &QProcess::finished, helper_, &QObject::deleteLater);
        if (helper_->state() == QProcess::NotRunning) helper_->deleteLater();
    }
}

void SyncPage::declareSettings() {
    SettingsModel& s = settings();
    for (const char* key : {"Url", "User", "Calendar", "AddressBook", "PasswordCommand", "Certificate"})
        if (!s.isDeclared(kSection, QString::fromLatin1(key))) s.declare(kSection, QString::fromLatin1(key), QString());
    if (!s.isDeclared(kSection, QStringLiteral("Interval"))) s.declare(kSection, QStringLiteral("Interval"), 0);
}

QString SyncPage::helperPath() {
    return g_helperPath.isEmpty() ? exeDir() + QStringLiteral("/ostrel-sync") : g_helperPath;
}

QStringList SyncPage::dataDirArguments() {
    // A data folder of its own (--data-dir) holds the settings too: the
    // helper is pointed at it.
    if (!isPortable() && configDir() == userDataDir()) return {QStringLiteral("--data-dir"), userDataDir()};
    return {};
}

void SyncPage::setHelperPathForTesting(const QString& path) { g_helperPath = path; }

void SyncPage::load() {
    declareSettings();
    SettingsModel& s = settings();
    s.load(kSection);
    edSyncUrl->setText(s.value(kSection, QStringLiteral("Url")).toString());
    edSyncUser->setText(s.value(kSection, QStringLiteral("User")).toString());
    edSyncPassword->clear();
    picked_ = false;
    const auto fill = [](QComboBox* box, const QString& current) {
        box->clear();
        box->addItem(text("SyncMakeCollection", "New: \"Ostrel Organizer\""), QString());
        if (!current.isEmpty()) {
            box->addItem(current, current);
            box->setCurrentIndex(1);
        }
    };
    fill(cbSyncCalendar, s.value(kSection, QStringLiteral("Calendar")).toString());
    fill(cbSyncAddressBook, s.value(kSection, QStringLiteral("AddressBook")).toString());
    cbSyncInterval->clear();
    cbSyncInterval->addItem(text("SyncIntervalOff", "Off"), 0);
    cbSyncInterval->addItem(text("SyncInterval15", "15 minutes"), 15);
    cbSyncInterval->addItem(text("SyncInterval60", "Hourly"), 60);
    const int interval = s.value(kSection, QStringLiteral("Interval")).toInt();
    const int at = cbSyncInterval->findData(interval);
    cbSyncInterval->setCurrentIndex(at >= 0 ? at : 0);
    showStatus();
}

void SyncPage::save() {
    declareSettings();
    SettingsModel& s = settings();
    QStringList keys{QStringLiteral("Url"), QStringLiteral("User"), QStringLiteral("Interval")};
    const QString oldUrl = s.value(kSection, QStringLiteral("Url")).toString();
    const QString oldUser = s.value(kSection, QStringLiteral("User")).toString();
    s.setValue(kSection, QStringLiteral("Url"), edSyncUrl->text().trimmed());
    s.setValue(kSection, QStringLiteral("User"), edSyncUser->text().trimmed());
    s.setValue(kSection, QStringLiteral("Interval"), cbSyncInterval->currentData().toInt());
    // Another account: its collections are found anew.
    if (picked_ || oldUrl != edSyncUrl->text().trimmed() || oldUser != edSyncUser->text().trimmed()) {
        s.setValue(kSection, QStringLiteral("Calendar"),
                   picked_ ? cbSyncCalendar->currentData().toString() : QString());
        s.setValue(kSection, QStringLiteral("AddressBook"),
                   picked_ ? cbSyncAddressBook->currentData().toString() : QString());
        keys << QStringLiteral("Calendar") << QStringLiteral("AddressBook");
    }
    s.saveKeys(kSection, keys);
    if (!edSyncPassword->text().isEmpty()) {
        runHelper(QStringList{QStringLiteral("--store-password")} + commonArguments(),
                  edSyncPassword->text().toUtf8() + '\n', [this](int code, const QString&, const QString& err) {
                      if (code != 0)
                          lbSyncStatus->setText(FormatMessageText(
                              text("SyncPasswordNotStored", "The password was not stored: %s"), {err}));
                  });
        edSyncPassword->clear();
    }
}

QStringList SyncPage::commonArguments() const {
    QStringList args{QStringLiteral("--url"), edSyncUrl->text().trimmed(), QStringLiteral("--user"),
                     edSyncUser->text().trimmed()};
    return args + dataDirArguments();
}

void SyncPage::runHelper(const QStringList& args, const QByteArray& input,
                         const std::function<void(int, const QString&, const QString&)>& done) {
    if (helper_ && helper_->state() != QProcess::NotRunning) {
        lbSyncStatus->setText(text("SyncBusy", "A sync is running."));
        return;
    }
    delete helper_;
    helper_ = new QProcess(this);
    connect(helper_, &QProcess::finished, this, [this, done](int code, QProcess::ExitStatus status) {
        const QString out = QString::fromUtf8(helper_->readAllStandardOutput()).trimmed();
        const QString err = QString::fromUtf8(helper_->readAllStandardError())
                                .trimmed()
                                .section(QLatin1Char('\n'), -1)
                                .remove(QStringLiteral("ostrel-sync: "));
        done(status == QProcess::NormalExit ? code : -1, out, err);
    });
    connect(helper_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            lbSyncStatus->setText(
                FormatMessageText(text("SyncHelperMissing", "The sync program %s cannot be started."), {helperPath()}));
    });
    helper_->start(helperPath(), args);
    if (!input.isEmpty()) helper_->write(input);
    helper_->closeWriteChannel();
}

void SyncPage::discover() {
    lbSyncStatus->setText(text("SyncSearching", "Looking for calendars and address books..."));
    QByteArray input;
    if (!edSyncPassword->text().isEmpty()) input = edSyncPassword->text().toUtf8() + '\n';
    QStringList args = QStringList{QStringLiteral("--discover")} + commonArguments();
    if (!input.isEmpty()) args << QStringLiteral("--password-stdin");
    runHelper(args, input, [this](int code, const QString& out, const QString& err) {
        if (code == kUntrustedCertificate) {
            if (trustCertificate(out)) discover();
            else lbSyncStatus->setText(FormatMessageText(text("SyncFailed", "The sync failed: %s"), {err}));
            return;
        }
        if (code != 0) {
            lbSyncStatus->setText(FormatMessageText(text("SyncFailed", "The sync failed: %s"), {err}));
            return;
        }
        const QString calendar = cbSyncCalendar->currentData().toString();
        const QString book = cbSyncAddressBook->currentData().toString();
        while (cbSyncCalendar->count() > 1) cbSyncCalendar->removeItem(1);
        while (cbSyncAddressBook->count() > 1) cbSyncAddressBook->removeItem(1);
        for (const QString& line : out.split(QLatin1Char('\n'))) {
            const QStringList f = line.split(QLatin1Char('\t'));
            if (f.size() >= 4 && f[0] == QLatin1String("calendar") && f[2] == QLatin1String("1"))
                cbSyncCalendar->addItem(f[3].isEmpty() ? f[1] : f[3], f[1]);
            else if (f.size() >= 3 && f[0] == QLatin1String("addressbook"))
                cbSyncAddressBook->addItem(f[2].isEmpty() ? f[1] : f[2], f[1]);
        }
        cbSyncCalendar->setCurrentIndex(std::max(0, cbSyncCalendar->findData(calendar)));
        cbSyncAddressBook->setCurrentIndex(std::max(0, cbSyncAddressBook->findData(book)));
        picked_ = true;
        lbSyncStatus->setText(text("SyncFound", "Choose the calendar and the address book, then OK."));
    });
}

bool SyncPage::trustCertificate(const QString& helperOutput) {
    QString fingerprint;
    for (const QString& line : helperOutput.split(QLatin1Char('\n'))) {
        const QStringList f = line.split(QLatin1Char('\t'));
        if (f.size() == 2 && f[0] == QLatin1String("certificate")) fingerprint = f[1].trimmed();
    }
    SettingsModel& s = settings();
    // Asked once per certificate: one already pinned and still refused is
    // not offered again.
    if (fingerprint.isEmpty() || fingerprint == s.value(kSection, QStringLiteral("Certificate")).toString())
        return false;
    const QString question = FormatMessageText(
        text("SyncTrustCertificate",
             "The server's certificate is not signed by an authority this computer trusts. Its SHA-256 "
             "fingerprint is %s. Trust this certificate for this account? Answer Yes only if your "
             "server's administrator gives you the same fingerprint."),
        {fingerprint});
    if (showMessage(question, text("SyncCaption", "Sync"), MsgIcon::Warning, MsgYes | MsgNo, this) != MsgYes)
        return false;
    s.setValue(kSection, QStringLiteral("Certificate"), fingerprint);
    s.saveKeys(kSection, {QStringLiteral("Certificate")});
    return true;
}

void SyncPage::syncNow() {
    lbSyncStatus->setText(text("SyncRunning", "Syncing..."));
    const QStringList args = QStringList{QStringLiteral("--once")} + dataDirArguments();
    runHelper(args, {}, [this](int, const QString&, const QString&) { showStatus(); });
}

void SyncPage::showStatus() {
    std::optional<SyncStatusRecord> status;
    if (DataModule1) {
        try {
            status = SyncStore(DataModule1->connTAMO).status();
        } catch (const std::exception&) {
        }
    }
    if (!status) {
        lbSyncStatus->setText(text("SyncNever", "Not synced yet."));
        return;
    }
    const QString when = QLocale().toString(toQDateTime(status->finishedAt), QLocale::ShortFormat);
    lbSyncStatus->setText(FormatMessageText(
        status->ok ? text("SyncLastOk", "Last sync %s: %s") : text("SyncLastFailed", "Last sync %s failed: %s"),
        {when, QString::fromStdString(status->summary)}));
}

QString SyncPage::statusText() const { return lbSyncStatus->text(); }

}  // namespace ostrel
