#pragma once
// The property names language files use, and how each reaches a Qt object.
//
// Language files name properties with words of their own, independent of
// the toolkit: Caption, Hint, Text, Title, Items, Lines and so on. This is the one place
// that maps them onto Qt: a name is looked up in the table first and, when
// the table has nothing for that kind of object, taken as the name of a Qt
// property of the object (without regard to case). See docs/languages.md.

#include <QMetaProperty>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QObject;

namespace ostrel {

// A list of texts of a control (a combo box's items, a memo's lines, ...).
struct StringListAccess {
    std::function<int()> count;
    std::function<QString(int)> item;
    std::function<void(int, const QString&)> setItem;
    std::function<void(const QStringList&)> replaceAll;
};

// The property a bare control name sets ("Caption", "Text" or "Title"), or
// an empty text when that kind of control has none (combo and list boxes,
// panels, grids, ...).
QString defaultPropertyName(const QObject* control);

// The scalar Qt property that name stands for on target (isForm: target is
// the window being translated, which takes "Caption" as its title). Invalid
// when there is none, when it cannot be written, or for objectName.
QMetaProperty scalarProperty(const QObject* target, const QString& name, bool isForm);

// The string list that name stands for on control: a writable Qt property
// of that name holding a QStringList, else "Items" of combo and list boxes,
// "Lines" of plain and rich text edits, "Tabs" of tab widgets and tab bars,
// "Titles" of table and tree views (the header texts of the columns that
// are not hidden, left to right).
std::optional<StringListAccess> stringListProperty(QObject* control, const QString& name);

// Sets property of target from a language-file value by the property's
// kind: whole numbers, enumerations and booleans read the value as a whole
// number, single characters take its first character, floating-point
// numbers read it as a number, texts take it as it stands and string lists
// take it as comma-separated text. A value that does not read as the kind,
// and kinds not listed (flags, colours, fonts, ...), leave the property as
// it is. Returns whether the property was set.
bool applyPropertyValue(QObject* target, const QMetaProperty& property, const QString& value);

// Comma-separated text as a list: items are separated by commas, blanks
// around an item are dropped, and an item in double quotes may hold commas
// and blanks ("" stands for one quote).
QStringList splitCommaText(const QString& text);

// A letter or an underscore, then letters, digits or underscores (ASCII).
bool isIdentifier(const QString& text);

}  // namespace ostrel
