// Errors escaping a command reach the default error display; the program
// goes on.

#include <QtTest>

#include <stdexcept>

#include "app/application.h"
#include "core/data/sql/sql_value.h"
#include "recording_dialogs.h"

using namespace ostrel;

namespace {
class Throwing : public QObject {
public:
    int handled = 0;
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) {
            ++handled;
            throw sql::DbError("no such table: ToDo");
        }
        return QObject::event(e);
    }
};
}  // namespace

class TestErrorDisplay : public QObject {
    Q_OBJECT
private slots:
    void escapedErrorIsShownAndTheLoopGoesOn() {
        testing::RecordingDialogs dialogs;
        Throwing target;
        QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
        QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
        QCoreApplication::processEvents();
        QCOMPARE(target.handled, 2);
        QCOMPARE(dialogs.texts(), QStringList({"no such table: ToDo", "no such table: ToDo"}));
        QCOMPARE(dialogs.messages.front().icon, MsgIcon::Error);
    }
};

int main(int argc, char** argv) {
    OstrelApplication app(argc, argv);
    TestErrorDisplay t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_error_display.moc"
