// Under the shipped skin every kind of control the program uses shows which
// one has the keyboard focus: its picture with the focus differs from its
// picture without.

#include <QtTest>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableView>
#include <QTextEdit>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "ui/grid_style.h"
#include "ui/tool_bar.h"

using namespace ostrel;

class TestFocusVisible : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QFile skin(QStringLiteral(OSTREL_SOURCE_DIR "/skins/ostrel.skn"));
        QVERIFY(skin.open(QIODevice::ReadOnly));
        qApp->setStyleSheet(QString::fromUtf8(skin.readAll()));
    }
    void cleanupTestCase() { qApp->setStyleSheet(QString()); }

    void everyControlShowsItsFocus() {
        QWidget window;
        window.setObjectName(QStringLiteral("window"));
        auto* layout = new QVBoxLayout(&window);
        auto* elsewhere = new QLineEdit(&window);
        elsewhere->setObjectName(QStringLiteral("elsewhere"));
        layout->addWidget(elsewhere);

        auto* button = new QPushButton(QStringLiteral("OK"), &window);
        auto* defaultButton = new QPushButton(QStringLiteral("Cancel"), &window);
        defaultButton->setDefault(true);
        auto* check = new QCheckBox(QStringLiteral("Autorun"), &window);
        auto* radio = new QRadioButton(QStringLiteral("Free clock"), &window);
        auto* list = new QListWidget(&window);
        list->addItems({QStringLiteral("General"), QStringLiteral("Clock")});
        list->setCurrentRow(0);
        auto* line = new QLineEdit(QStringLiteral("text"), &window);
        auto* plain = new QPlainTextEdit(QStringLiteral("description"), &window);
        auto* rich = new QTextEdit(QStringLiteral("notes"), &window);
        auto* spin = new QSpinBox(&window);
        auto* combo = new QComboBox(&window);
        combo->addItems({QStringLiteral("Minutes"), QStringLiteral("Hours")});
        auto* editableCombo = new QComboBox(&window);
        editableCombo->setEditable(true);
        editableCombo->setEditText(QStringLiteral("English"));
        auto* date = new QDateEdit(QDate(2026, 12, 10), &window);
        auto* time = new QTimeEdit(QTime(10, 0), &window);
        auto* grid = new QTableView(&window);
        auto* model = new QStandardItemModel(2, 2, grid);
        grid->setModel(model);
        applyDataGridStyle(grid);
        auto* bar = new ToolBar(&window, QSize(25, 29));
        QToolButton* tool = bar->addTool("tbEdit", "Edit", 5);
        const std::pair<const char*, QWidget*> controls[] = {{"push button", button},
                                                             {"default push button", defaultButton},
                                                             {"check box", check},
                                                             {"radio button", radio},
                                                             {"list", list},
                                                             {"line edit", line},
                                                             {"description box", plain},
                                                             {"text box", rich},
                                                             {"spin box", spin},
                                                             {"combo box", combo},
                                                             {"editable combo box", editableCombo},
                                                             {"date box", date},
                                                             {"time box", time},
                                                             {"grid", grid},
                                                             {"tool button", tool}};
        for (const auto& [name, w] : controls) {
            if (w != tool) layout->addWidget(w);
            w->setFocusPolicy(w == tool ? Qt::TabFocus : w->focusPolicy());
        }
        layout->addWidget(bar);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));

        QStringList unmarked;
        for (const auto& [name, w] : controls) {
            elsewhere->setFocus(Qt::TabFocusReason);
            QVERIFY(elsewhere->hasFocus());
            const QImage without = w->grab().toImage();
            w->setFocus(Qt::TabFocusReason);
            QVERIFY2(w->hasFocus() || w->isAncestorOf(QApplication::focusWidget()), name);
            const QImage with = w->grab().toImage();
            if (with == without) unmarked << QString::fromLatin1(name);
        }
        QVERIFY2(unmarked.isEmpty(),
                 qPrintable(QStringLiteral("no focus mark: ") + unmarked.join(QStringLiteral(", "))));
    }
};

QTEST_MAIN(TestFocusVisible)
#include "tst_focus_visible.moc"
