#include "find/find_window.h"

#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTreeWidget>

#include <algorithm>

#include "base/language_texts.h"
#include "core/notes/rtf_reader.h"
#include "core/text/fold.h"
#include "core/text/text_match.h"
#include "data/search_store.h"
#include "ui/app_commands.h"
#include "ui/guarded.h"
#include "ui/languages.h"
#include "ui/locale_format.h"

namespace ostrel {

namespace {

constexpr int kPerKind = 100;
constexpr int kItemRole = Qt::UserRole;
constexpr int kIdRole = Qt::UserRole + 1;

const char* groupKey(AppItem item) {
    switch (item) {
        case AppItem::Task: return "FindTasks";
        case AppItem::Plan: return "FindPlans";
        case AppItem::Holiday: return "FindHolidays";
        case AppItem::Contact: return "FindContacts";
        case AppItem::Notes: return "FindNotes";
    }
    return "";
}

AppItem itemOf(FoundKind kind) {
    switch (kind) {
        case FoundKind::Task: return AppItem::Task;
        case FoundKind::Plan: return AppItem::Plan;
        case FoundKind::Holiday: return AppItem::Holiday;
        case FoundKind::Contact: return AppItem::Contact;
    }
    return AppItem::Task;
}

QString whenText(const FoundItem& f) {
    if (!f.detail.isEmpty()) return f.detail;
    // A task timed from the system start holds a day fraction, not a date.
    if (f.kind == FoundKind::Contact || f.when < 1.0) return {};
    if (f.kind == FoundKind::Holiday) return toQDateTime(f.when).date().toString(shortDateFormat());
    return formatShortDateTime(f.when);
}

}  // namespace

TfrmFind::TfrmFind(SearchStore& search, NotesReader notes, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      search_(search), readNotes_(std::move(notes)) {
    setObjectName(QStringLiteral("frmFind"));
    setWindowTitle(QStringLiteral("Find"));
    setFixedSize(460, 380);
    setModal(false);

    lbFind = new QLabel(QStringLiteral("Find:"), this);
    lbFind->setObjectName(QStringLiteral("lbFind"));
    lbFind->setGeometry(10, 8, 440, 18);
    edFind = new QLineEdit(this);
    edFind->setObjectName(QStringLiteral("edFind"));
    edFind->setGeometry(10, 28, 440, 24);
    edFind->setClearButtonEnabled(true);
    tvFound = new QTreeWidget(this);
    tvFound->setObjectName(QStringLiteral("tvFound"));
    tvFound->setGeometry(10, 60, 440, 310);
    tvFound->setColumnCount(2);
    tvFound->setHeaderHidden(true);
    tvFound->setRootIsDecorated(false);
    tvFound->setItemsExpandable(false);
    tvFound->header()->setStretchLastSection(true);
    tvFound->setColumnWidth(0, 270);
    lbNothing = new QLabel(this);
    lbNothing->setObjectName(QStringLiteral("lbNothing"));
    lbNothing->setGeometry(20, 70, 420, 40);
    lbNothing->setWordWrap(true);
    lbNothing->hide();

    connect(edFind, &QLineEdit::textChanged, this, guarded([this] { runSearch(); }));
    connect(tvFound, &QTreeWidget::itemActivated, this, guarded([this] { openCurrent(); }));
    connect(&languageNotifier(), &LanguageNotifier::languageApplied, this, guarded([this] { runSearch(); }));
    edFind->installEventFilter(this);
    tvFound->installEventFilter(this);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        move(s.x() + (s.width() - width()) / 2, s.y() + (s.height() - height()) / 3);
    }
}

void TfrmFind::OpenFind() {
    show();
    raise();
    activateWindow();
    edFind->setFocus();
    edFind->selectAll();
}

void TfrmFind::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    readNotes();
    runSearch();
}

QStringList readNotesParagraphs(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    const rtf::ReadResult read = rtf::read(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    QStringList paragraphs;
    for (const auto& p : read.document.paragraphs) paragraphs << QString::fromStdString(p.text());
    return paragraphs;
}

void TfrmFind::readNotes() { notes_ = readNotes_ ? readNotes_() : QStringList(); }

void TfrmFind::runSearch() {
    tvFound->clear();
    const QString query = edFind->text().trimmed();
    lbNothing->hide();
    if (query.isEmpty()) return;

    // Found items grouped by what they open, in the store's order.
    std::vector<std::pair<AppItem, std::vector<std::pair<QString, QString>>>> groups;
    std::vector<std::vector<std::int64_t>> ids;
    auto group = [&](AppItem item) -> std::size_t {
        for (std::size_t g = 0; g < groups.size(); ++g)
            if (groups[g].first == item) return g;
        groups.push_back({item, {}});
        ids.emplace_back();
        return groups.size() - 1;
    };
    for (const FoundItem& f : search_.find(query, kPerKind)) {
        const std::size_t g = group(itemOf(f.kind));
        groups[g].second.emplace_back(f.text, whenText(f));
        ids[g].push_back(f.id);
    }
    // The notes, paragraph by paragraph, ranked as the rest.
    const std::string folded = foldForMatch(query.toStdString());
    std::vector<std::pair<MatchRank, int>> notesHits;
    for (int i = 0; i < notes_.size(); ++i) {
        const MatchRank r = matchRank(foldForMatch(notes_[i].toStdString()), folded);
        if (r != MatchRank::None) notesHits.emplace_back(r, i);
    }
    std::stable_sort(notesHits.begin(), notesHits.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    if (notesHits.size() > static_cast<std::size_t>(kPerKind)) notesHits.resize(kPerKind);
    if (!notesHits.empty()) {
        const std::size_t g = group(AppItem::Notes);
        for (const auto& [rank, index] : notesHits) {
            groups[g].second.emplace_back(notes_[index].trimmed(), QString());
            ids[g].push_back(index);
        }
    }

    if (groups.empty()) {
        lbNothing->setText(FormatMessageText(GetLangMessage(QStringLiteral("FindNothing")), {query}));
        lbNothing->show();
        return;
    }
    QTreeWidgetItem* first = nullptr;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        auto* head = new QTreeWidgetItem(tvFound);
        head->setText(0, FormatMessageText(GetLangMessage(QLatin1String(groupKey(groups[g].first))),
                                           {static_cast<qlonglong>(groups[g].second.size())}));
        QFont bold = head->font(0);
        bold.setBold(true);
        head->setFont(0, bold);
        head->setFlags(Qt::ItemIsEnabled);
        head->setFirstColumnSpanned(true);
        for (std::size_t i = 0; i < groups[g].second.size(); ++i) {
            auto* row = new QTreeWidgetItem(head);
            row->setText(0, groups[g].second[i].first);
            row->setText(1, groups[g].second[i].second);
            row->setToolTip(0, groups[g].second[i].first);
            row->setData(0, kItemRole, static_cast<int>(groups[g].first));
            row->setData(0, kIdRole, static_cast<qlonglong>(ids[g][i]));
            if (!first) first = row;
        }
        head->setExpanded(true);
    }
    tvFound->setCurrentItem(first);
}

bool TfrmFind::openCurrent() {
    const QTreeWidgetItem* item = tvFound->currentItem();
    if (!item || !item->data(0, kItemRole).isValid()) return false;
    openItem(static_cast<AppItem>(item->data(0, kItemRole).toInt()), item->data(0, kIdRole).toLongLong());
    return true;
}

bool TfrmFind::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            runGuarded([this] { openCurrent(); });
            return true;
        }
        if (watched == edFind && (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up)) {
            tvFound->setFocus();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace ostrel
