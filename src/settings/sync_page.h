#pragma once
// The "Sync" page of the settings dialog (docs/sync.md): the server's
// address, the user, the password, the collections, the interval and the
// last run's status. Everything that touches the network or the keyring is
// done by the helper ostrel-sync, started as a process: the clock's own
// process never loads that code.

#include <QGroupBox>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ostrel {

class SyncPage : public QGroupBox {
    Q_OBJECT
public:
    explicit SyncPage(QWidget* parent = nullptr);
    ~SyncPage() override;

    // Declares the [Sync] keys with their defaults (the settings model).
    static void declareSettings();
    // Shows the stored account and the last run's status.
    void load();
    // Writes the account into the settings file; a typed password goes to
    // the keyring through the helper.
    void save();

    // The helper's path (beside the program); tests point it elsewhere.
    static QString helperPath();
    static void setHelperPathForTesting(const QString& path);
    // "--data-dir DIR" when the program runs on a data folder of its own.
    static QStringList dataDirArguments();

    // The status line's text.
    QString statusText() const;

private:
    // The helper's exit code for a certificate no authority vouches for (its
    // fingerprint on a "certificate" line of its output).
    static constexpr int kUntrustedCertificate = 4;
    void discover();
    // Shows the fingerprint of the certificate the helper refused and asks
    // whether to trust it; pins it ([Sync] Certificate) when the user says so.
    bool trustCertificate(const QString& helperOutput);
    void syncNow();
    void showStatus();
    // Runs the helper with the arguments, the text on its standard input;
    // done gets its exit code and output.
    void runHelper(const QStringList& args, const QByteArray& input,
                   const std::function<void(int code, const QString& out, const QString& err)>& done);
    QStringList commonArguments() const;

    QLineEdit* edSyncUrl = nullptr;
    QLineEdit* edSyncUser = nullptr;
    QLineEdit* edSyncPassword = nullptr;
    QComboBox* cbSyncCalendar = nullptr;
    QComboBox* cbSyncAddressBook = nullptr;
    QComboBox* cbSyncInterval = nullptr;
    QPushButton* btnSyncDiscover = nullptr;
    QPushButton* btnSyncNow = nullptr;
    QLabel* lbSyncStatus = nullptr;
    QProcess* helper_ = nullptr;
    bool picked_ = false;
};

}  // namespace ostrel
