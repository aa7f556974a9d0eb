#include "ui/control_properties.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMetaEnum>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QTreeView>

#include <limits>

#include "core/settings/ini_file.h"

namespace ostrel {
namespace {

template <class T>
bool is(const QObject* o) {
    return qobject_cast<const T*>(o) != nullptr;
}

bool isWindowOrForm(const QObject* o, bool isForm) {
    if (isForm) return true;
    return o->isWidgetType() && static_cast<const QWidget*>(o)->isWindow();
}

bool hasTitle(const QObject* o, bool) { return is<QMenu>(o) || is<QGroupBox>(o); }
bool hasText(const QObject* o, bool) {
    return is<QAbstractButton>(o) || is<QLabel>(o) || is<QAction>(o) || is<QLineEdit>(o);
}
bool isTextEdit(const QObject* o, bool) { return is<QPlainTextEdit>(o) || is<QTextEdit>(o); }
bool isComboBox(const QObject* o, bool) { return is<QComboBox>(o); }
bool hasToolTip(const QObject* o, bool) { return o->isWidgetType() || is<QAction>(o); }

// Language-file names of scalar properties, by kind of object. The first
// row whose name and kind match gives the Qt property.
struct NameMapping {
    const char* name;
    bool (*applies)(const QObject*, bool isForm);
    const char* qtProperty;
};

const NameMapping kScalarNames[] = {
    // Menus are windows too: test them before windows.
    {"Caption", hasTitle, "title"},
    {"Caption", hasText, "text"},
    {"Caption", isWindowOrForm, "windowTitle"},
    {"Title", hasTitle, "title"},
    {"Title", isWindowOrForm, "windowTitle"},
    {"Hint", hasToolTip, "toolTip"},
    {"Text", hasText, "text"},
    {"Text", isTextEdit, "plainText"},
    {"Text", isComboBox, "currentText"},
};

QMetaProperty qtPropertyNamed(const QObject* target, const QString& name) {
    const QMetaObject* meta = target->metaObject();
    const QByteArray exact = name.toLatin1();
    const int index = meta->indexOfProperty(exact.constData());
    if (index >= 0) return meta->property(index);
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty p = meta->property(i);
        if (QString::fromLatin1(p.name()).compare(name, Qt::CaseInsensitive) == 0) return p;
    }
    return {};
}

// Texts as lines the way a memo counts them: an empty text has none.
QStringList linesOf(const QString& text) {
    if (text.isEmpty()) return {};
    return text.split(QLatin1Char('\n'));
}

std::optional<StringListAccess> comboItems(QComboBox* cb) {
    StringListAccess a;
    a.count = [cb] { return cb->count(); };
    a.item = [cb](int i) { return cb->itemText(i); };
    a.setItem = [cb](int i, const QString& v) { cb->setItemText(i, v); };
    a.replaceAll = [cb](const QStringList& items) {
        const int current = cb->currentIndex();
        const QString edit = cb->currentText();
        cb->clear();
        cb->addItems(items);
        if (current >= 0 && current < cb->count()) cb->setCurrentIndex(current);
        if (cb->isEditable()) cb->setEditText(edit);
    };
    return a;
}

std::optional<StringListAccess> listItems(QListWidget* lw) {
    StringListAccess a;
    a.count = [lw] { return lw->count(); };
    a.item = [lw](int i) { return lw->item(i)->text(); };
    a.setItem = [lw](int i, const QString& v) { lw->item(i)->setText(v); };
    a.replaceAll = [lw](const QStringList& items) {
        const int current = lw->currentRow();
        lw->clear();
        lw->addItems(items);
        if (current >= 0 && current < lw->count()) lw->setCurrentRow(current);
    };
    return a;
}

template <class Edit>
std::optional<StringListAccess> editLines(Edit* e) {
    StringListAccess a;
    a.count = [e] { return static_cast<int>(linesOf(e->toPlainText()).size()); };
    a.item = [e](int i) { return linesOf(e->toPlainText()).at(i); };
    a.setItem = [e](int i, const QString& v) {
        QStringList lines = linesOf(e->toPlainText());
        lines[i] = v;
        e->setPlainText(lines.join(QLatin1Char('\n')));
    };
    a.replaceAll = [e](const QStringList& lines) { e->setPlainText(lines.join(QLatin1Char('\n'))); };
    return a;
}

template <class Tabs>
std::optional<StringListAccess> tabTexts(Tabs* t) {
    StringListAccess a;
    a.count = [t] { return t->count(); };
    a.item = [t](int i) { return t->tabText(i); };
    a.setItem = [t](int i, const QString& v) { t->setTabText(i, v); };
    // The tabs are pages: their number is the window's, only texts change.
    a.replaceAll = [t](const QStringList& items) {
        for (int i = 0; i < t->count() && i < items.size(); ++i) t->setTabText(i, items[i]);
    };
    return a;
}

// The header of a table or tree view, if it has one.
QHeaderView* headerOf(QAbstractItemView* view) {
    if (auto* table = qobject_cast<QTableView*>(view)) return table->horizontalHeader();
    if (auto* tree = qobject_cast<QTreeView*>(view)) return tree->header();
    return nullptr;
}

// Column titles of a grid: the header texts of the columns that are not
// hidden, left to right, so that a hidden key column does not count.
std::optional<StringListAccess> columnTitles(QAbstractItemView* view) {
    QHeaderView* header = headerOf(view);
    if (!header || !view->model()) return std::nullopt;
    auto columns = [header] {
        QList<int> logical;
        for (int visual = 0; visual < header->count(); ++visual) {
            const int l = header->logicalIndex(visual);
            if (!header->isSectionHidden(l)) logical << l;
        }
        return logical;
    };
    StringListAccess a;
    a.count = [columns] { return static_cast<int>(columns().size()); };
    a.item = [view, columns](int i) { return view->model()->headerData(columns().at(i), Qt::Horizontal).toString(); };
    a.setItem = [view, columns](int i, const QString& v) {
        view->model()->setHeaderData(columns().at(i), Qt::Horizontal, v);
    };
    a.replaceAll = [view, columns](const QStringList& titles) {
        const QList<int> logical = columns();
        for (int i = 0; i < logical.size() && i < titles.size(); ++i)
            view->model()->setHeaderData(logical[i], Qt::Horizontal, titles[i]);
    };
    return a;
}

std::optional<StringListAccess> qtStringList(QObject* control, const QString& name) {
    const QMetaProperty p = qtPropertyNamed(control, name);
    if (!p.isValid() || !p.isWritable() || p.metaType().id() != QMetaType::QStringList) return std::nullopt;
    StringListAccess a;
    a.count = [control, p] { return static_cast<int>(p.read(control).toStringList().size()); };
    a.item = [control, p](int i) { return p.read(control).toStringList().at(i); };
    a.setItem = [control, p](int i, const QString& v) {
        QStringList list = p.read(control).toStringList();
        list[i] = v;
        p.write(control, list);
    };
    a.replaceAll = [control, p](const QStringList& list) { p.write(control, list); };
    return a;
}

bool sameName(const QString& a, const char* b) { return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0; }

std::optional<std::int64_t> wholeNumber(const QString& value) { return IniFile::parseInteger(value.toStdString()); }

bool inRange(std::int64_t v, std::int64_t lo, std::int64_t hi) { return v >= lo && v <= hi; }

}  // namespace

bool isIdentifier(const QString& text) {
    if (text.isEmpty()) return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
        const bool digit = c >= '0' && c <= '9';
        if (!(letter || (i > 0 && digit))) return false;
    }
    return true;
}

QString defaultPropertyName(const QObject* control) {
    // Buttons, menu items, check and radio boxes, labels; then edits and
    // memos; then group boxes and menus; then file dialogs.
    if (is<QAbstractButton>(control) || is<QAction>(control) || is<QLabel>(control)) return QStringLiteral("Caption");
    if (is<QLineEdit>(control) || is<QPlainTextEdit>(control) || is<QTextEdit>(control)) return QStringLiteral("Text");
    if (is<QGroupBox>(control) || is<QMenu>(control)) return QStringLiteral("Caption");
    if (is<QFileDialog>(control)) return QStringLiteral("Title");
    return {};
}

QMetaProperty scalarProperty(const QObject* target, const QString& name, bool isForm) {
    QMetaProperty p;
    bool mapped = false;
    for (const auto& m : kScalarNames) {
        if (sameName(name, m.name) && m.applies(target, isForm)) {
            p = qtPropertyNamed(target, QLatin1String(m.qtProperty));
            mapped = true;
            break;
        }
    }
    if (!mapped) p = qtPropertyNamed(target, name);
    if (!p.isValid() || !p.isWritable()) return {};
    // A language file must not rename the controls it translates.
    if (qstrcmp(p.name(), "objectName") == 0) return {};
    return p;
}

std::optional<StringListAccess> stringListProperty(QObject* control, const QString& name) {
    // A control's own QStringList property comes before the table.
    if (auto own = qtStringList(control, name)) return own;
    if (sameName(name, "Items")) {
        if (auto* cb = qobject_cast<QComboBox*>(control)) return comboItems(cb);
        if (auto* lw = qobject_cast<QListWidget*>(control)) return listItems(lw);
    }
    if (sameName(name, "Lines")) {
        if (auto* pe = qobject_cast<QPlainTextEdit*>(control)) return editLines(pe);
        if (auto* te = qobject_cast<QTextEdit*>(control)) return editLines(te);
    }
    if (sameName(name, "Tabs")) {
        if (auto* tw = qobject_cast<QTabWidget*>(control)) return tabTexts(tw);
        if (auto* tb = qobject_cast<QTabBar*>(control)) return tabTexts(tb);
    }
    if (sameName(name, "Titles")) {
        if (auto* view = qobject_cast<QAbstractItemView*>(control)) return columnTitles(view);
    }
    return std::nullopt;
}

QStringList splitCommaText(const QString& text) {
    QStringList items;
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto skipBlanks = [&] {
        while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t'))) ++i;
    };
    skipBlanks();
    if (i == n) return items;
    for (;;) {
        skipBlanks();
        QString item;
        if (i < n && text[i] == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                if (text[i] == QLatin1Char('"')) {
                    if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                        item += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
            // Anything between the closing quote and the next comma is kept,
            // less its blanks.
            QString rest;
            while (i < n && text[i] != QLatin1Char(',')) rest += text[i++];
            item += rest.trimmed();
        } else {
            while (i < n && text[i] != QLatin1Char(',')) item += text[i++];
            item = item.trimmed();
        }
        items << item;
        if (i >= n) break;
        ++i;  // the comma
    }
    return items;
}

bool applyPropertyValue(QObject* target, const QMetaProperty& property, const QString& value) {
    if (!property.isValid() || !property.isWritable()) return false;
    // Translating never runs the windows' change handlers.
    const QSignalBlocker blocker(target);

    if (property.isFlagType()) return false;
    if (property.isEnumType()) {
        const auto v = wholeNumber(value);
        if (!v || !inRange(*v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max())) return false;
        if (!property.enumerator().valueToKey(static_cast<int>(*v))) return false;
        return property.write(target, static_cast<int>(*v));
    }

    const int type = property.metaType().id();
    switch (type) {
        case QMetaType::Bool: {
            const auto v = wholeNumber(value);
            return v && property.write(target, *v != 0);
        }
        case QMetaType::Int:
        case QMetaType::Long:
        case QMetaType::Short:
        case QMetaType::SChar:
        case QMetaType::UInt:
        case QMetaType::ULong:
        case QMetaType::UShort:
        case QMetaType::UChar:
        case QMetaType::LongLong:
        case QMetaType::ULongLong: {
            const auto v = wholeNumber(value);
            if (!v) return false;
            std::int64_t lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
            switch (type) {
                case QMetaType::Short:
                    lo = std::numeric_limits<short>::min();
                    hi = std::numeric_limits<short>::max();
                    break;
                case QMetaType::SChar:
                    lo = -128;
                    hi = 127;
                    break;
                case QMetaType::UInt:
                case QMetaType::ULong:
                    lo = 0;
                    hi = std::numeric_limits<unsigned>::max();
                    break;
                case QMetaType::UShort:
                    lo = 0;
                    hi = std::numeric_limits<unsigned short>::max();
                    break;
                case QMetaType::UChar:
                    lo = 0;
                    hi = 255;
                    break;
                case QMetaType::LongLong:
                    lo = std::numeric_limits<std::int64_t>::min();
                    hi = std::numeric_limits<std::int64_t>::max();
                    break;
                case QMetaType::ULongLong:
                    lo = 0;
                    hi = std::numeric_limits<std::int64_t>::max();
                    break;
                default: break;
            }
            if (!inRange(*v, lo, hi)) return false;
            QVariant variant = QVariant::fromValue(static_cast<qlonglong>(*v));
            if (!variant.convert(property.metaType())) return false;
            return property.write(target, variant);
        }
        case QMetaType::QChar:
        case QMetaType::Char:
            if (value.isEmpty()) return false;
            if (type == QMetaType::Char) {
                if (value[0].unicode() > 0x7F) return false;
                return property.write(target, QVariant::fromValue(static_cast<char>(value[0].unicode())));
            }
            return property.write(target, QVariant::fromValue(value[0]));
        case QMetaType::Double:
        case QMetaType::Float: {
            bool ok = false;
            const double d = value.trimmed().toDouble(&ok);
            if (!ok) return false;
            QVariant variant(d);
            if (!variant.convert(property.metaType())) return false;
            return property.write(target, variant);
        }
        case QMetaType::QString: return property.write(target, value);
        case QMetaType::QStringList: return property.write(target, splitCommaText(value));
        default: return false;
    }
}

}  // namespace ostrel
