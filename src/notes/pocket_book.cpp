#include "notes/pocket_book.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QIconEngine>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextList>
#include <QVBoxLayout>

#include <algorithm>

#include "base/app_paths.h"
#include "base/language_texts.h"
#include "core/time/clock_service.h"
#include "notes/notes_file.h"
#include "notes/rtf_text_document.h"
#include "ui/dialog_service.h"
#include "ui/gradient_paint.h"
#include "ui/guarded.h"
#include "ui/locale_format.h"
#include "ui/settings_file.h"
#include "ui/settings_model.h"

namespace ostrel {

namespace {

constexpr int kHelpContext = 12;
constexpr int kToolBarHeight = 32;
constexpr int kAutohideLine = 3;  // pixels below the editor's top edge
constexpr int kMaxFontNameLength = 32;
const char* const kCaption = "Ostrel Organizer";
const char* const kDesignedText = "Editor";

// A small picture for a tool button: a letter in its style, or bullets.
// A letter drawn in the style it stands for. Drawn when the tool bar is
// first painted: until the pocket book is opened, its fonts stay unloaded.
class LetterIconEngine final : public QIconEngine {
public:
    LetterIconEngine(const QString& letter, bool bold, bool italic, bool underline)
        : letter_(letter), bold_(bold), italic_(italic), underline_(underline) {}
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::TextAntialiasing);
        QFont f(QStringLiteral("Serif"));
        f.setPixelSize(rect.height() * 14 / 16);
        f.setBold(bold_);
        f.setItalic(italic_);
        f.setUnderline(underline_);
        painter->setFont(f);
        painter->setPen(QColor(0x24, 0x33, 0x2a));
        painter->drawText(rect, Qt::AlignCenter, letter_);
        painter->restore();
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        {
            QPainter p(&pm);
            paint(&p, QRect(QPoint(0, 0), size), mode, state);
        }
        // Greyed as the style greys any other icon of a disabled button.
        if (mode == QIcon::Disabled) {
            QStyleOption option;
            return QApplication::style()->generatedIconPixmap(QIcon::Disabled, pm, &option);
        }
        return pm;
    }
    QIconEngine* clone() const override { return new LetterIconEngine(letter_, bold_, italic_, underline_); }

private:
    QString letter_;
    bool bold_, italic_, underline_;
};

QIcon letterIcon(const QString& letter, bool bold, bool italic, bool underline) {
    return QIcon(new LetterIconEngine(letter, bold, italic, underline));
}

QIcon bulletsIcon() {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i) {
        p.setBrush(QColor(0x24, 0x33, 0x2a));
        p.drawEllipse(QRectF(1.5, 2.5 + i * 4.5, 3, 3));
        p.fillRect(QRectF(6.5, 3.5 + i * 4.5, 8, 1.2), QColor(0x24, 0x33, 0x2a));
    }
    return QIcon(pm);
}

QFrame* toolDivider(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setFixedWidth(8);
    return line;
}

QString familyOf(const QTextCharFormat& f, const QFont& fallback) {
    const QStringList families = f.property(QTextFormat::FontFamilies).toStringList();
    if (!families.isEmpty()) return families.first();
    if (f.hasProperty(QTextFormat::FontFamily)) return f.stringProperty(QTextFormat::FontFamily);
    return fallback.family();
}

}  // namespace

TfrmPocketBook::TfrmPocketBook(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setObjectName(QStringLiteral("frmPocketBook"));
    setWindowTitle(QStringLiteral("Pocket-Book"));
    setProperty("helpContext", kHelpContext);
    setMinimumSize(200, 100);

    buildToolBar();

    Editor = new QTextEdit(this);
    Editor->setObjectName(QStringLiteral("Editor"));
    Editor->setAcceptRichText(true);
    Editor->setMouseTracking(true);
    Editor->viewport()->setMouseTracking(true);
    Editor->viewport()->installEventFilter(this);
    Editor->installEventFilter(this);
    QFont docFont = Editor->document()->defaultFont();
    if (docFont.pointSizeF() <= 0) docFont.setPointSize(10);
    Editor->document()->setDefaultFont(docFont);
    // The designed content, shown until a notes file exists.
    Editor->setPlainText(QLatin1String(kDesignedText));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tbPockerBook);
    layout->addWidget(Editor, 1);

    tmrAutosave = new QTimer(this);
    tmrAutosave->setObjectName(QStringLiteral("tmrAutosave"));
    tmrAutosave->setSingleShot(true);
    connect(tmrAutosave, &QTimer::timeout, this, guarded(this, &TfrmPocketBook::autosave));

    connect(sbBold, &QToolButton::clicked, this, guarded(this, &TfrmPocketBook::BoldButtonClick));
    connect(sbItalic, &QToolButton::clicked, this, guarded(this, &TfrmPocketBook::ItalicButtonClick));
    connect(sbUnderLine, &QToolButton::clicked, this, guarded(this, &TfrmPocketBook::UnderlineButtonClick));
    connect(sbBillet, &QToolButton::clicked, this, guarded(this, &TfrmPocketBook::BulletsButtonClick));
    connect(edFontSize, &QSpinBox::valueChanged, this, guarded(this, &TfrmPocketBook::edFontSizeChange));
    connect(cbFontName, &QComboBox::activated, this, guarded(this, &TfrmPocketBook::cbFontNameChange));
    connect(Editor, &QTextEdit::cursorPositionChanged, this, guarded(this, &TfrmPocketBook::SelectionChange));
    connect(Editor, &QTextEdit::selectionChanged, this, guarded(this, &TfrmPocketBook::SelectionChange));
    connect(Editor, &QTextEdit::currentCharFormatChanged, this, guarded(this, &TfrmPocketBook::SelectionChange));

    saver_ = std::make_unique<NotesSaver>(notesFilePath());
    connect(saver_.get(), &NotesSaver::saved, this, &TfrmPocketBook::saveFinished);

    FormCreate();
    // Every block converted once now; later saves convert what changed.
    snapshots_ = new RtfSnapshots(Editor->document());
    snapshots_->take();
    // Changes made while loading are not changes of the user.
    connect(Editor->document(), &QTextDocument::contentsChanged, this, &TfrmPocketBook::notesChanged);
}

// The tool bar: font name and size, bold, italic, underline and bullets.
void TfrmPocketBook::buildToolBar() {
    tbPockerBook = new QWidget(this);
    tbPockerBook->setObjectName(QStringLiteral("tbPockerBook"));
    tbPockerBook->setFixedHeight(kToolBarHeight);
    auto* bar = new QHBoxLayout(tbPockerBook);
    bar->setContentsMargins(3, 2, 3, 2);
    bar->setSpacing(2);

    cbFontName = new QComboBox(tbPockerBook);
    cbFontName->setObjectName(QStringLiteral("cbFontName"));
    cbFontName->setEditable(true);
    cbFontName->setInsertPolicy(QComboBox::NoInsert);
    cbFontName->setMaxVisibleItems(10);
    cbFontName->setToolTip(QStringLiteral("Font Name"));
    cbFontName->setStatusTip(QStringLiteral("Select font name"));
    cbFontName->setMinimumContentsLength(12);
    cbFontName->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cbFontName->setFixedWidth(140);
    bar->addWidget(cbFontName);

    edFontSize = new QSpinBox(tbPockerBook);
    edFontSize->setObjectName(QStringLiteral("edFontSize"));
    edFontSize->setRange(1, 1638);
    edFontSize->setFixedWidth(52);
    edFontSize->setKeyboardTracking(true);
    bar->addWidget(edFontSize);
    bar->addWidget(toolDivider(tbPockerBook));

    auto toggle = [this, bar](const char* name, const char* hint, const QIcon& icon) {
        auto* b = new QToolButton(tbPockerBook);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(QLatin1String(hint));
        b->setCheckable(true);
        b->setAutoRaise(true);
        b->setIcon(icon);
        b->setFixedSize(26, 26);
        bar->addWidget(b);
        return b;
    };
    sbBold = toggle("sbBold", "Bold", letterIcon(QStringLiteral("B"), true, false, false));
    sbItalic = toggle("sbItalic", "Italic", letterIcon(QStringLiteral("I"), false, true, false));
    sbUnderLine = toggle("sbUnderLine", "Underline", letterIcon(QStringLiteral("U"), false, false, true));
    bar->addWidget(toolDivider(tbPockerBook));
    sbBillet = toggle("sbBillet", "Bullets", bulletsIcon());
    bar->addStretch();
}

TfrmPocketBook::~TfrmPocketBook() { FormDestroy(); }

// ---- creation and destruction ---------------------------------------------

void TfrmPocketBook::FormCreate() {
    loadNotes();
    Editor->moveCursor(QTextCursor::Start);
    FillFontNames(QFontDatabase::families());
    SelectionChange();
    readSettings();
}

void TfrmPocketBook::loadNotes() {
    const NotesLoadResult r = loadNotesFile(notesFilePath(), toQDateTime(clock().now()));
    switch (r.kind) {
        case NotesLoadResult::Missing:
            // The designed first line is selected when the editor first
            // gets the focus: the first keystroke replaces it.
            selectDesignedText_ = true;
            return;
        case NotesLoadResult::Loaded: setRtfModel(*Editor->document(), r.document); return;
        case NotesLoadResult::KeptAside:
            // Show what could be read; the file itself stays as it was.
            if (!r.document.plainText().empty()) setRtfModel(*Editor->document(), r.document);
            showMessage(FormatMessageText(GetLangMessage(QStringLiteral("NotesKeptAside")),
                                          {QDir::toNativeSeparators(r.keptAs)}),
                        QString::fromLatin1(kCaption), MsgIcon::Warning);
            return;
        case NotesLoadResult::Unreadable:
            // Nothing may be written over a file that could not be kept.
            saveBlocked_ = true;
            showMessage(FormatMessageText(GetLangMessage(QStringLiteral("NotesUnreadable")),
                                          {QDir::toNativeSeparators(notesFilePath())}),
                        QString::fromLatin1(kCaption), MsgIcon::Warning);
            return;
    }
}

namespace {
const QString kSection = QStringLiteral("PocketBook");

// The keys the window reads at start and writes at the end.
void declarePocketBookKeys() {
    SettingsModel& s = settings();
    s.declare(kSection, QStringLiteral("Top"), 130);
    s.declare(kSection, QStringLiteral("Left"), 200);
    s.declare(kSection, QStringLiteral("Width"), 360);
    s.declare(kSection, QStringLiteral("Height"), 260);
    s.declare(kSection, QStringLiteral("Color"), 0xFFFFFF);
    s.declare(kSection, QStringLiteral("FontColor"), 0);
}

int settingInt(const char* key) {
    const qlonglong v = settings().value(kSection, QLatin1String(key)).toLongLong();
    return static_cast<int>(std::clamp<qlonglong>(v, INT32_MIN, INT32_MAX));
}
}  // namespace

void TfrmPocketBook::readSettings() {
    declarePocketBookKeys();
    if (!settings().load(kSection)) return;
    // "AutohidePanel" belongs to the settings dialog, which writes it to the
    // file itself; it is read here once and never written by this window.
    std::int64_t autohide = 0;
    if (!withSettingsFile([&](IniFile& ini) { autohide = ini.readInteger("PocketBook", "AutohidePanel", 0); })) return;
    move(settingInt("Left"), settingInt("Top"));
    resize(std::clamp(settingInt("Width"), minimumWidth(), 16000),
           std::clamp(settingInt("Height"), minimumHeight(), 16000));
    AutohideToolbar = autohide == 1;
    setEditorColor(toQColor(Color(static_cast<std::int32_t>(settingInt("Color")))));
    setEditorFontColor(toQColor(Color(static_cast<std::int32_t>(settingInt("FontColor")))));
}

void TfrmPocketBook::FormDestroy() {
    tmrAutosave->stop();
    if (dirty_) saveNotes();
    saver_->waitForIdle();
    writeSettings();
}

void TfrmPocketBook::writeSettings() {
    SettingsModel& s = settings();
    s.setValue(kSection, QStringLiteral("Top"), pos().y());
    s.setValue(kSection, QStringLiteral("Left"), pos().x());
    s.setValue(kSection, QStringLiteral("Width"), width());
    s.setValue(kSection, QStringLiteral("Height"), height());
    s.setValue(kSection, QStringLiteral("Color"), fromQColor(editorColor()).value());
    s.setValue(kSection, QStringLiteral("FontColor"), fromQColor(editorFontColor()).value());
    s.save(kSection);
}

// ---- the notes file --------------------------------------------------------

void TfrmPocketBook::notesChanged() {
    if (!dirty_) firstUnsaved_.start();
    dirty_ = true;
    // A second of quiet, but never more than two seconds after the first
    // unsaved change.
    const qint64 left = kAutosaveMaxDelayMs - firstUnsaved_.elapsed();
    tmrAutosave->start(static_cast<int>(std::clamp<qint64>(left, 0, kAutosaveDelayMs)));
}

void TfrmPocketBook::autosave() {
    if (!dirty_ || saveBlocked_) return;
    dirty_ = false;
    // The snapshot is taken here; the encoding and the write run on a
    // worker thread.
    saver_->saveInBackground(snapshots_->take());
}

bool TfrmPocketBook::saveNotes() {
    tmrAutosave->stop();
    if (saveBlocked_) return false;
    dirty_ = false;
    QString error;
    const bool ok = saver_->saveNow(snapshots_->take(), &error);
    if (!ok) {
        dirty_ = true;
        reportSaveFailure(error);
    }
    emit notesSaved(ok);
    return ok;
}

void TfrmPocketBook::waitForSaves() { saver_->waitForIdle(); }

void TfrmPocketBook::saveFinished(bool ok, const QString& error) {
    if (ok) {
        failureReported_ = false;
    } else {
        // Try again with the next change or at the end.
        dirty_ = true;
        reportSaveFailure(error);
    }
    emit notesSaved(ok);
}

void TfrmPocketBook::reportSaveFailure(const QString& error) {
    if (failureReported_) return;
    failureReported_ = true;
    showMessage(FormatMessageText(GetLangMessage(QStringLiteral("NotesNotSaved")),
                                  {QDir::toNativeSeparators(notesFilePath()), error}),
                QString::fromLatin1(kCaption), MsgIcon::Warning);
}

void TfrmPocketBook::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous() && dirty_) {
        tmrAutosave->stop();
        autosave();
    }
}

// ---- the tool bar ----------------------------------------------------------

void TfrmPocketBook::FillFontNames(const QStringList& families) {
    QStringList names;
    names.reserve(families.size());
    for (const QString& f : families) names << f.left(kMaxFontNameLength);
    names.sort(Qt::CaseInsensitive);
    names.removeDuplicates();
    const QSignalBlocker block(cbFontName);
    const QString text = cbFontName->currentText();
    cbFontName->clear();
    cbFontName->addItems(names);
    cbFontName->setCurrentIndex(-1);
    cbFontName->setEditText(text);
}

void TfrmPocketBook::SelectionChange() {
    Updating = true;
    const QTextCharFormat f = Editor->currentCharFormat();
    const QFont def = Editor->document()->defaultFont();
    sbBold->setChecked(f.hasProperty(QTextFormat::FontWeight) ? f.fontWeight() > QFont::Medium : def.bold());
    sbItalic->setChecked(f.hasProperty(QTextFormat::FontItalic) ? f.fontItalic() : def.italic());
    sbUnderLine->setChecked(f.fontUnderline());
    sbBillet->setChecked(Editor->textCursor().currentList() != nullptr);
    const double points = f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : def.pointSizeF();
    {
        const QSignalBlocker block(edFontSize);
        edFontSize->setValue(static_cast<int>(points + 0.5));
    }
    const QString family = familyOf(f, def);
    {
        const QSignalBlocker block(cbFontName);
        const int index = cbFontName->findText(family, Qt::MatchFixedString);
        cbFontName->setCurrentIndex(index);
        cbFontName->setEditText(family);
    }
    Updating = false;
}

void TfrmPocketBook::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    SelectionChange();
}

QTextCharFormat TfrmPocketBook::CurrentAttributes() const {
    const QTextCursor c = Editor->textCursor();
    if (c.hasSelection()) return c.charFormat();
    return Editor->currentCharFormat();
}

void TfrmPocketBook::mergeFormat(const QTextCharFormat& change) {
    if (Updating) return;
    QTextCursor c = Editor->textCursor();
    if (c.hasSelection()) c.mergeCharFormat(change);
    else Editor->mergeCurrentCharFormat(change);
    // The typing format is no change of the text, but it is kept in step.
    Editor->setFocus();
}

void TfrmPocketBook::BoldButtonClick() {
    QTextCharFormat f;
    f.setFontWeight(sbBold->isChecked() ? QFont::Bold : QFont::Normal);
    mergeFormat(f);
}

void TfrmPocketBook::ItalicButtonClick() {
    QTextCharFormat f;
    f.setFontItalic(sbItalic->isChecked());
    mergeFormat(f);
}

void TfrmPocketBook::UnderlineButtonClick() {
    QTextCharFormat f;
    f.setFontUnderline(sbUnderLine->isChecked());
    mergeFormat(f);
}

void TfrmPocketBook::BulletsButtonClick() {
    if (Updating) return;
    QTextCursor c = Editor->textCursor();
    if (sbBillet->isChecked()) {
        if (!c.currentList()) {
            QTextListFormat lf;
            lf.setStyle(QTextListFormat::ListDisc);
            lf.setIndent(1);
            c.createList(lf);
        }
    } else if (QTextList* list = c.currentList()) {
        const QTextBlock block = c.block();
        list->remove(block);
        QTextBlockFormat bf = c.blockFormat();
        bf.setIndent(0);
        c.setBlockFormat(bf);
    }
}

void TfrmPocketBook::edFontSizeChange() {
    if (Updating) return;
    // A size that is not a whole number changes nothing.
    bool ok = false;
    const int size = edFontSize->cleanText().trimmed().toInt(&ok);
    if (!ok || size < 1) return;
    QTextCharFormat f;
    f.setFontPointSize(size);
    mergeFormat(f);
}

void TfrmPocketBook::cbFontNameChange() {
    if (Updating) return;
    const int index = cbFontName->currentIndex();
    if (index < 0) return;
    QTextCharFormat f;
    f.setFontFamilies(QStringList{cbFontName->itemText(index)});
    mergeFormat(f);
}

void TfrmPocketBook::EditorMouseMove(const QPoint& pos) {
    if (!AutohideToolbar) {
        tbPockerBook->setVisible(true);
        return;
    }
    tbPockerBook->setVisible(pos.y() < kAutohideLine);
}

bool TfrmPocketBook::eventFilter(QObject* watched, QEvent* event) {
    if (selectDesignedText_ && watched == Editor && event->type() == QEvent::FocusIn) {
        selectDesignedText_ = false;
        if (!dirty_ && Editor->document()->toPlainText() == QLatin1String(kDesignedText)) {
            Editor->selectAll();
            // The click that gave the focus does not put the cursor into the
            // line instead.
            keepDesignedSelection_ = static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason;
        }
    }
    if (keepDesignedSelection_ && watched == Editor->viewport()) {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) return true;
        if (event->type() == QEvent::MouseButtonRelease) {
            keepDesignedSelection_ = false;
            return true;
        }
    }
    if (watched == Editor && event->type() == QEvent::KeyPress) {
        // The B, I and U buttons' keys.
        const auto* key = static_cast<QKeyEvent*>(event);
        QToolButton* button = key->matches(QKeySequence::Bold)        ? sbBold
                              : key->matches(QKeySequence::Italic)    ? sbItalic
                              : key->matches(QKeySequence::Underline) ? sbUnderLine
                                                                      : nullptr;
        if (button) {
            button->click();
            return true;
        }
    }
    if (event->type() == QEvent::MouseMove && (watched == Editor->viewport() || watched == Editor)) {
        auto* me = static_cast<QMouseEvent*>(event);
        auto* w = static_cast<QWidget*>(watched);
        EditorMouseMove(w->mapTo(Editor, me->position().toPoint()));
    }
    return QWidget::eventFilter(watched, event);
}

// ---- colours ---------------------------------------------------------------

QColor TfrmPocketBook::editorColor() const { return color_; }

QColor TfrmPocketBook::editorFontColor() const { return fontColor_; }

void TfrmPocketBook::setEditorColor(const QColor& color) {
    color_ = color;
    applyColors();
}

void TfrmPocketBook::setEditorFontColor(const QColor& color) {
    fontColor_ = color;
    applyColors();
}

void TfrmPocketBook::applyColors() {
    QPalette p = Editor->palette();
    p.setColor(QPalette::Base, color_);
    p.setColor(QPalette::Text, fontColor_);
    Editor->setPalette(p);
    // The skin's style sheet would win over the palette.
    Editor->setStyleSheet(
        QStringLiteral("QTextEdit#Editor { background-color: %1; color: %2; }").arg(color_.name(), fontColor_.name()));
}

}  // namespace ostrel
