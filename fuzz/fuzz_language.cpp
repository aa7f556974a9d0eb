// Language files: a whole file as the current language, its messages
// looked up and formatted, and its window section applied to a small window
// with one control of each kind a file can address.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "base/app_paths.h"
#include "base/language_texts.h"
#include "ui/languages.h"

namespace {

struct World {
    std::unique_ptr<QApplication> app;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<QWidget> form;
};

// Never destroyed: the application outliving Qt's own globals at exit would
// crash in its destructor after the last run.
World& world() {
    static World* w = new World;
    return *w;
}

template <typename T>
T* named(QWidget* parent, const char* name) {
    T* w = new T(parent);
    w->setObjectName(QLatin1String(name));
    return w;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    World& w = world();
    w.app = std::make_unique<QApplication>(*argc, *argv);
    // In memory where there is /dev/shm: every input is written as a file.
    const bool shm = QFileInfo(QStringLiteral("/dev/shm")).isWritable();
    w.dir = shm ? std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/ostrel-fuzz-XXXXXX"))
                : std::make_unique<QTemporaryDir>();
    ostrel::setExeDirForTesting(w.dir->path());
    QDir().mkpath(ostrel::languagesDir());
    ostrel::SetCurrentLanguage(QStringLiteral("Fuzz"));

    w.form = std::make_unique<QWidget>();
    QWidget* form = w.form.get();
    form->setObjectName(QStringLiteral("frmFuzz"));
    named<QLabel>(form, "lbTitle");
    named<QPushButton>(form, "btnOK");
    named<QCheckBox>(form, "chbRepeat");
    named<QLineEdit>(form, "edTitle");
    named<QPlainTextEdit>(form, "memDescript")->setPlainText(QStringLiteral("a\nb\nc"));
    named<QComboBox>(form, "cbPostpone")->addItems({QStringLiteral("m"), QStringLiteral("h"), QStringLiteral("d")});
    named<QListWidget>(form, "lbxSettings")->addItems({QStringLiteral("x"), QStringLiteral("y")});
    named<QSpinBox>(form, "seValue");
    auto* grid = named<QTableWidget>(form, "grList");
    grid->setColumnCount(3);
    grid->setRowCount(2);
    auto* menu = named<QMenu>(form, "pmMenu");
    menu->addAction(QStringLiteral("Exit"))->setObjectName(QStringLiteral("miExit"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString path = ostrel::languageFilePath(QStringLiteral("Fuzz"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    // Messages: the keys the program uses, and every text formatted with
    // arguments of each kind.
    for (const char* key : {"OnceTask", "RegularTask", "Holidays", "ErrorOnLoad", "TimeOffsetIs"}) {
        const QString text = ostrel::GetLangMessage(QLatin1String(key));
        (void)ostrel::FormatMessageText(text, {QStringLiteral("config"), 42, -7.5, QStringLiteral("x")});
        (void)ostrel::FormatMessageText(text, {});
    }
    // The bytes themselves as a format.
    (void)ostrel::FormatMessageText(
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
        {1, 2.5, QStringLiteral("s")});
    // Applying a window section costs a thousand times the parse (widgets
    // lay themselves out again): one input in 32, chosen by its bytes so
    // that a found input reproduces.
    std::uint32_t hash = 2166136261u;
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
    if (hash % 32 == 0) ostrel::TranslateForm(world().form.get());
    return 0;
}
