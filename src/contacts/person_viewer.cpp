#include "contacts/person_viewer.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QHelpEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QStyledItemDelegate>
#include <QToolTip>

#include <array>

#include "base/language_texts.h"
#include "contacts/contact_photo.h"
#include "ui/grid_style.h"
#include "ui/locale_format.h"

namespace ostrel {

namespace {

constexpr int kRowHeight = 17;
constexpr int kTopRows = 6;
constexpr int kBottomRows = 11;
constexpr int kLabelColumn = 92;
constexpr int kBottomWidth = 276;
constexpr int kBottomValueColumn = 181;
constexpr int kPhotoWidth = 68;
constexpr int kTopLeftBesidePhoto = 81;
constexpr int kTopWidthBesidePhoto = 202;
constexpr int kTopValueBesidePhoto = 107;
constexpr int kGridLeft = 8;

const QColor kCardBackground(232, 232, 232);
const QColor kLabelColour(0, 64, 0);
const QColor kLineColour(200, 200, 200);

// sgPersonInfoDrawCell: the label column bold in dark green, the value
// column regular in black, the text 2 pixels in from the cell's corner; a
// line under each row.
class PersonInfoDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QRect cell = option.rect;
        painter->save();
        painter->setPen(kLineColour);
        painter->drawLine(cell.bottomLeft(), cell.bottomRight());
        QFont font = option.font;
        font.setBold(index.column() == 0);
        painter->setFont(font);
        painter->setPen(index.column() == 0 ? kLabelColour : QColor(Qt::black));
        painter->setClipRect(cell);
        const QRect text = textRect(cell);
        // A value longer than its cell (a long e-mail or web address) ends
        // in an ellipsis; its hint shows it whole.
        painter->drawText(text, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                          QFontMetrics(font).elidedText(index.data().toString(), Qt::ElideRight, text.width()));
        painter->restore();
    }

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        const QString value = index.data().toString();
        QFont font = option.font;
        font.setBold(index.column() == 0);
        if (!value.isEmpty() && QFontMetrics(font).horizontalAdvance(value) > textRect(option.rect).width())
            QToolTip::showText(event->globalPos(), value, view->viewport(), option.rect);
        else QToolTip::hideText();
        return true;
    }

private:
    static QRect textRect(const QRect& cell) { return cell.adjusted(2, 2, -2, 0); }
};

QTableWidget* makeGrid(QWidget* parent, const char* name, int rows, QRect geometry) {
    auto* g = new QTableWidget(rows, 2, parent);
    g->setObjectName(QLatin1String(name));
    g->horizontalHeader()->hide();
    g->verticalHeader()->hide();
    g->verticalHeader()->setMinimumSectionSize(1);
    g->verticalHeader()->setDefaultSectionSize(kRowHeight);
    g->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    g->horizontalHeader()->setMinimumSectionSize(0);
    g->setShowGrid(false);
    g->setWordWrap(false);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setSelectionMode(QAbstractItemView::NoSelection);
    g->setFocusPolicy(Qt::NoFocus);
    g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    g->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    g->setAutoScroll(false);
    g->setStyleSheet(
        QStringLiteral("QTableWidget { background: rgb(232,232,232); border: 1px solid rgb(160,160,160); }"));
    g->setItemDelegate(new PersonInfoDelegate(g));
    g->setGeometry(geometry);
    g->setColumnWidth(0, kLabelColumn);
    return g;
}

void clearGrid(QTableWidget* grid) {
    for (int r = 0; r < grid->rowCount(); ++r)
        for (int c = 0; c < grid->columnCount(); ++c) grid->setItem(r, c, new QTableWidgetItem());
}

void setCell(QTableWidget* grid, int row, int column, const QString& text) {
    if (row < 0 || row >= grid->rowCount()) return;  // beyond the last row: not shown
    grid->setItem(row, column, new QTableWidgetItem(text));
}

// The birthday in the long date format: without the weekday (the day of
// the week someone was born is of no use), and with the month abbreviated
// or the short format when the long text would not fit the cell.
QString birthdayText(DateTime birthday, const QFont& font, int cellWidth) {
    const QDate date = toQDateTime(birthday).date();
    QString format = longDateFormat();
    static const QRegularExpression weekday(QStringLiteral("dddd[,.\\s]*|[,\\s]*dddd"));
    format.remove(weekday);
    const QFontMetrics metrics(font);
    const int room = cellWidth - 2;
    QString text = QLocale::system().toString(date, format.trimmed());
    if (metrics.horizontalAdvance(text) <= room) return text;
    format.replace(QLatin1String("MMMM"), QLatin1String("MMM"));
    text = QLocale::system().toString(date, format.trimmed());
    if (metrics.horizontalAdvance(text) <= room) return text;
    return QLocale::system().toString(date, shortDateFormat());
}

bool blank(const std::optional<QString>& s) { return !s || s->trimmed().isEmpty(); }

}  // namespace

TfrmViewPerson::TfrmViewPerson(ContactStore& store, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      store_(store) {
    setObjectName(QStringLiteral("frmViewPerson"));
    setWindowTitle(QStringLiteral("View person"));
    setProperty("helpContext", 7);
    setFixedSize(293, 387);
    setModal(false);
    setFont(compactFont(font()));

    plPhoto = new QLabel(QStringLiteral("Photo"), this);
    plPhoto->setObjectName(QStringLiteral("plPhoto"));
    plPhoto->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    plPhoto->setAlignment(Qt::AlignCenter);
    plPhoto->setGeometry(kGridLeft, 6, 69, 90);
    imgPhoto = new QLabel(plPhoto);
    imgPhoto->setObjectName(QStringLiteral("imgPhoto"));
    imgPhoto->setAlignment(Qt::AlignCenter);
    imgPhoto->setGeometry(plPhoto->contentsRect());

    sgPersonInfo = makeGrid(this, "sgPersonInfo", kTopRows, QRect(kTopLeftBesidePhoto, 6, 201, 115));
    sgPersonInfoBottom = makeGrid(this, "sgPersonInfoBottom", kBottomRows, QRect(kGridLeft, 120, 201, 211));

    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn1->setGeometry((293 - 75) / 2, 347, 75, 26);

    connect(BitBtn1, &QPushButton::clicked, this, &TfrmViewPerson::BitBtn1Click);
    connect(sgPersonInfo, &QTableWidget::cellClicked, this, &TfrmViewPerson::sgPersonInfoClick);
    connect(sgPersonInfoBottom, &QTableWidget::cellClicked, this, &TfrmViewPerson::sgPersonInfoClick);

    FormCreate();
    move(0, 0);
}

void TfrmViewPerson::FormCreate() {
    sgPersonInfoBottom->resize(kBottomWidth, sgPersonInfoBottom->height());
    sgPersonInfoBottom->setColumnWidth(0, kLabelColumn);
    sgPersonInfoBottom->setColumnWidth(1, kBottomValueColumn);
    sgPersonInfo->setColumnWidth(0, kLabelColumn);
    clearGrid(sgPersonInfo);
    clearGrid(sgPersonInfoBottom);
}

void TfrmViewPerson::sgPersonInfoClick() {
    for (QTableWidget* g : {sgPersonInfo, sgPersonInfoBottom}) {
        g->clearSelection();
        g->setCurrentCell(-1, -1);
    }
}

void TfrmViewPerson::BitBtn1Click() { close(); }

QString TfrmViewPerson::cellText(const QTableWidget* grid, int row, int column) {
    const QTableWidgetItem* item = grid->item(row, column);
    return item ? item->text() : QString();
}

void TfrmViewPerson::setPhoto(const QImage& image) {
    const bool shown = !image.isNull();
    plPhoto->setGeometry(kGridLeft, 6, shown ? kPhotoWidth : 0, 90);
    plPhoto->setVisible(shown);
    imgPhoto->setGeometry(plPhoto->contentsRect());
    showPicture(imgPhoto, image);
    if (shown) {
        sgPersonInfo->setGeometry(kTopLeftBesidePhoto, sgPersonInfo->y(), kTopWidthBesidePhoto, sgPersonInfo->height());
        sgPersonInfo->setColumnWidth(1, kTopValueBesidePhoto);
    } else {
        sgPersonInfo->setGeometry(kGridLeft, sgPersonInfo->y(), sgPersonInfoBottom->width(), sgPersonInfo->height());
        sgPersonInfo->setColumnWidth(1, kBottomValueColumn);
    }
}

void TfrmViewPerson::FillPersonInfo() {
    enum Field {
        FirstName,
        LastName,
        Birthday,
        HomePhone,
        JobPhone,
        MobilePhone,
        Address,
        Mail,
        ICQ,
        WebSite,
        Comment
    };
    static const std::array<const char*, 11> keys = {"FirstNname", "LastName",    "Birthday", "HomePhone",
                                                     "JobPhone",   "MobilePhone", "Address",  "Mail",
                                                     "ICQ",        "WebSite",     "Comment"};
    std::array<QString, 11> labels;
    for (std::size_t i = 0; i < keys.size(); ++i) labels[i] = GetLangMessage(QLatin1String(keys[i]));

    sgPersonInfoClick();
    const std::optional<ContactRow> person = store_.person(contactId);
    if (!person) {
        // The contact is gone: show an empty card rather than another
        // contact's details under this caption.
        setPhoto({});
        clearGrid(sgPersonInfo);
        clearGrid(sgPersonInfoBottom);
        return;
    }

    setPhoto(person->Photo && !person->Photo->isEmpty() ? loadPicture(resolvePhotoPath(*person->Photo)) : QImage());
    clearGrid(sgPersonInfo);
    clearGrid(sgPersonInfoBottom);

    const std::array<std::optional<QString>, 11> values = {
        person->FirstName, person->LastName, std::nullopt, person->HomePhone, person->JobPhone, person->MobilePhone,
        person->Address,   person->Mail,     person->ICQ,  person->Web_site,  person->Comment};

    QTableWidget* grid = sgPersonInfo;
    int row = 0;
    for (int f = FirstName; f <= Comment; ++f) {
        const QString& label = labels[static_cast<std::size_t>(f)];
        if (f == Birthday) {
            if (person->Birthday) {
                setCell(grid, row, 0, label);
                setCell(grid, row, 1, birthdayText(*person->Birthday, grid->font(), grid->columnWidth(1)));
                ++row;
            }
        } else if (f == Comment) {
            if (!blank(person->Comment)) {
                setCell(grid, row, 0, label);
                QString text = *person->Comment;
                text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
                for (const QString& line : text.split(QLatin1Char('\n'))) {
                    setCell(grid, row, 1, line);
                    ++row;
                }
            }
        } else {
            const std::optional<QString>& value = values[static_cast<std::size_t>(f)];
            if (!blank(value)) {
                setCell(grid, row, 0, label);
                setCell(grid, row, 1, *value);
                ++row;
            }
        }
        if (row > 5 && grid == sgPersonInfo) {
            grid = sgPersonInfoBottom;
            row = 0;
        }
    }
}

}  // namespace ostrel
