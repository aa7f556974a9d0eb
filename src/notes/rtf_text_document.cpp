#include "notes/rtf_text_document.h"

#include <QHash>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextList>

#include <algorithm>
#include <cmath>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/notes/rtf_writer.h"

namespace ostrel {

namespace {

// Pixels of the text document to twips (96 pixels an inch).
constexpr double kTwipsPerPixel = 15.0;
// The indent the numbering groups of a list paragraph are written with.
constexpr int kListLeftIndent = 720;
constexpr int kListFirstIndent = -360;

rtf::CharFormat modelFormat(const QTextCharFormat& f, const QFont& defaultFont) {
    rtf::CharFormat m;
    QString family;
    const QVariant families = f.property(QTextFormat::FontFamilies);
    if (families.isValid() && !families.toStringList().isEmpty()) family = families.toStringList().first();
    else if (f.hasProperty(QTextFormat::FontFamily)) family = f.stringProperty(QTextFormat::FontFamily);
    if (family.isEmpty()) family = defaultFont.family();
    m.font = family.toStdString();
    double points = f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : defaultFont.pointSizeF();
    if (points <= 0) points = 12;
    m.halfPoints = std::clamp(static_cast<int>(std::lround(points * 2)), 2, 3276);
    m.bold = f.hasProperty(QTextFormat::FontWeight) ? f.fontWeight() > QFont::Medium : defaultFont.bold();
    m.italic = f.hasProperty(QTextFormat::FontItalic) ? f.fontItalic() : defaultFont.italic();
    m.underline = f.hasProperty(QTextFormat::FontUnderline) || f.hasProperty(QTextFormat::TextUnderlineStyle)
                      ? f.fontUnderline()
                      : defaultFont.underline();
    if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush) {
        const QColor c = f.foreground().color();
        m.color = rtf::Rgb{static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                           static_cast<std::uint8_t>(c.blue())};
    }
    return m;
}

QTextCharFormat qtFormat(const rtf::CharFormat& m) {
    QTextCharFormat f;
    if (!m.font.empty()) f.setFontFamilies(QStringList{QString::fromStdString(m.font)});
    f.setFontPointSize(m.halfPoints / 2.0);
    f.setFontWeight(m.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(m.italic);
    f.setFontUnderline(m.underline);
    if (m.color) f.setForeground(QColor(m.color->r, m.color->g, m.color->b));
    return f;
}

Qt::Alignment qtAlign(rtf::Align a) {
    switch (a) {
        case rtf::Align::Center: return Qt::AlignHCenter;
        case rtf::Align::Right: return Qt::AlignRight;
        case rtf::Align::Justify: return Qt::AlignJustify;
        case rtf::Align::Left: break;
    }
    return Qt::AlignLeft;
}

rtf::Align modelAlign(Qt::Alignment a) {
    if (a & Qt::AlignHCenter) return rtf::Align::Center;
    if (a & Qt::AlignJustify) return rtf::Align::Justify;
    if (a & Qt::AlignRight) return rtf::Align::Right;
    return rtf::Align::Left;
}

}  // namespace

namespace {

using FormatCache = QHash<int, rtf::CharFormat>;

rtf::Paragraph paragraphOf(const QTextBlock& block, const QFont& defaultFont, FormatCache& formats) {
    // Documents share a few formats among many fragments.
    auto formatOf = [&](int index, const QTextCharFormat& f) -> const rtf::CharFormat& {
        auto it = formats.find(index);
        if (it == formats.end()) it = formats.insert(index, modelFormat(f, defaultFont));
        return *it;
    };
    rtf::Paragraph p;
    const QTextBlockFormat bf = block.blockFormat();
    p.align = modelAlign(bf.alignment());
    if (const QTextList* list = block.textList()) {
        const auto style = list->format().style();
        p.list = style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle ||
                         style == QTextListFormat::ListSquare
                     ? rtf::ListStyle::Bullet
                     : rtf::ListStyle::Decimal;
        p.leftIndent = kListLeftIndent;
        p.firstIndent = kListFirstIndent;
    } else {
        p.leftIndent = static_cast<int>(std::lround(bf.leftMargin() * kTwipsPerPixel));
        p.firstIndent = static_cast<int>(std::lround(bf.textIndent() * kTwipsPerPixel));
    }
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment frag = it.fragment();
        if (!frag.isValid()) continue;
        QString text = frag.text();
        // Embedded objects have no text to keep.
        text.remove(QChar::ObjectReplacementCharacter);
        if (text.isEmpty()) continue;
        const rtf::CharFormat& f = formatOf(frag.charFormatIndex(), frag.charFormat());
        std::string utf8 = text.toStdString();
        if (!p.runs.empty() && p.runs.back().format == f) p.runs.back().text += utf8;
        else p.runs.push_back(rtf::Run{f, std::move(utf8)});
    }
    p.markFormat = formatOf(block.charFormatIndex(), block.charFormat());
    return p;
}

// A block's paragraph as last converted; dropped when the block changes.
class CachedParagraph : public QTextBlockUserData {
public:
    explicit CachedParagraph(std::shared_ptr<const rtf::Paragraph> p) : paragraph(std::move(p)) {}
    std::shared_ptr<const rtf::Paragraph> paragraph;
};

}  // namespace

rtf::Document rtfModelOf(const QTextDocument& document) {
    rtf::Document out;
    const QFont defaultFont = document.defaultFont();
    FormatCache formats;
    out.paragraphs.reserve(static_cast<std::size_t>(document.blockCount()));
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        out.paragraphs.push_back(paragraphOf(block, defaultFont, formats));
    if (out.paragraphs.empty()) out.paragraphs.emplace_back();
    return out;
}

RtfSnapshots::RtfSnapshots(QTextDocument* document) : QObject(document), document_(document) {
    // A document reports its changes only once it has a layout.
    document->documentLayout();
    connect(document, &QTextDocument::contentsChange, this, &RtfSnapshots::changed);
}

void RtfSnapshots::changed(int position, int /*removed*/, int added) {
    // Every block the change touches is converted afresh next time
    // (text, character formats, block formats and list membership all
    // report their range here).
    QTextBlock block = document_->findBlock(position);
    const QTextBlock last = document_->findBlock(position + added);
    while (block.isValid()) {
        block.setUserData(nullptr);
        if (block == last) break;
        block = block.next();
    }
}

RtfSnapshot RtfSnapshots::take() {
    RtfSnapshot out;
    out.paragraphs.reserve(static_cast<std::size_t>(document_->blockCount()));
    const QFont defaultFont = document_->defaultFont();
    FormatCache formats;
    for (QTextBlock block = document_->begin(); block.isValid(); block = block.next()) {
        auto* cached = static_cast<CachedParagraph*>(block.userData());
        if (!cached) {
            cached =
                new CachedParagraph(std::make_shared<const rtf::Paragraph>(paragraphOf(block, defaultFont, formats)));
            block.setUserData(cached);
        }
        out.paragraphs.push_back(cached->paragraph);
    }
    out.defaultFamily = defaultFont.family();
    return out;
}

rtf::Document RtfSnapshot::document() const {
    rtf::Document out;
    out.paragraphs.reserve(paragraphs.size());
    for (const auto& p : paragraphs) out.paragraphs.push_back(*p);
    if (out.paragraphs.empty()) out.paragraphs.emplace_back();
    return out;
}

namespace {

// The UTF-16 length of UTF-8 text: one unit per character, two for one
// beyond the basic plane.
int utf16Length(std::string_view utf8) {
    int n = 0;
    for (const char ch : utf8) {
        const auto b = static_cast<unsigned char>(ch);
        if ((b & 0xC0) != 0x80) ++n;
        if (b >= 0xF0) ++n;
    }
    return n;
}

}  // namespace

namespace {

struct CharFormatHash {
    std::size_t operator()(const rtf::CharFormat& f) const noexcept {
        std::size_t h = std::hash<std::string>()(f.font);
        const auto mix = [&h](std::size_t v) { h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2); };
        mix(static_cast<std::size_t>(f.halfPoints));
        mix((f.bold ? 1u : 0u) | (f.italic ? 2u : 0u) | (f.underline ? 4u : 0u));
        mix(f.color ? (std::size_t{1} << 24) | (std::size_t{f.color->r} << 16) | (std::size_t{f.color->g} << 8) |
                          std::size_t{f.color->b}
                    : 0);
        return h;
    }
};

// The distinct formats of a model, each converted once (notes use a few),
// numbered in the order they are met.
class FormatTable {
public:
    int idOf(const rtf::CharFormat& m) {
        // Runs in a row often share a format.
        if (last_ >= 0 && models_[static_cast<std::size_t>(last_)] == m) return last_;
        const auto [it, added] = ids_.try_emplace(m, static_cast<int>(formats_.size()));
        if (added) {
            models_.push_back(m);
            formats_.push_back(qtFormat(m));
        }
        last_ = it->second;
        return last_;
    }
    const QTextCharFormat& format(int id) const { return formats_[static_cast<std::size_t>(id)]; }
    int size() const { return static_cast<int>(formats_.size()); }

private:
    std::unordered_map<rtf::CharFormat, int, CharFormatHash> ids_;
    std::vector<rtf::CharFormat> models_;
    std::vector<QTextCharFormat> formats_;
    int last_ = -1;
};

QTextBlockFormat qtBlockFormat(const rtf::Paragraph& p) {
    QTextBlockFormat bf;
    bf.setAlignment(qtAlign(p.align));
    if (p.list == rtf::ListStyle::None) {
        bf.setLeftMargin(p.leftIndent / kTwipsPerPixel);
        bf.setTextIndent(p.firstIndent / kTwipsPerPixel);
    }
    return bf;
}

bool sameBlockFormat(const rtf::Paragraph& a, const rtf::Paragraph& b) {
    return a.align == b.align && (a.list == rtf::ListStyle::None) == (b.list == rtf::ListStyle::None) &&
           (a.list != rtf::ListStyle::None || (a.leftIndent == b.leftIndent && a.firstIndent == b.firstIndent));
}

}  // namespace

void setRtfModel(QTextDocument& document, const rtf::Document& model) {
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    QTextCursor c(&document);
    // One change for the layout and the views, not one per run.
    c.beginEditBlock();
    FormatTable formats;
    QTextList* list = nullptr;
    rtf::ListStyle listStyle = rtf::ListStyle::None;
    const rtf::Paragraph* previous = nullptr;
    QTextBlockFormat bf;
    std::string text;
    std::vector<int> ids;      // each run's format
    std::vector<int> lengths;  // each run's length in UTF-16 units
    std::vector<int> counts;   // runs per format, in this paragraph
    for (const rtf::Paragraph& p : model.paragraphs) {
        // Paragraphs in a row mostly share their block format.
        if (!previous || !sameBlockFormat(*previous, p)) bf = qtBlockFormat(p);
        const QTextCharFormat& mark = formats.format(formats.idOf(p.markFormat));
        if (!previous) {
            c.setBlockFormat(bf);
            c.setBlockCharFormat(mark);
        } else {
            c.insertBlock(bf, mark);
        }
        previous = &p;
        // Each insertion and each format change costs the document about
        // the same: the paragraph's text goes in at once in the format most
        // of its runs have, and only the other runs get their format after.
        if (p.runs.size() == 1) {
            const rtf::Run& only = p.runs.front();
            c.insertText(QString::fromStdString(only.text), formats.format(formats.idOf(only.format)));
        } else if (!p.runs.empty()) {
            text.clear();
            ids.clear();
            lengths.clear();
            for (const rtf::Run& r : p.runs) {
                text += r.text;
                ids.push_back(formats.idOf(r.format));
                lengths.push_back(utf16Length(r.text));
            }
            // The format most runs have (the first met of equals).
            counts.assign(static_cast<std::size_t>(formats.size()), 0);
            for (const int id : ids) ++counts[static_cast<std::size_t>(id)];
            int base = ids.front();
            for (const int id : ids)
                if (counts[static_cast<std::size_t>(id)] > counts[static_cast<std::size_t>(base)]) base = id;
            const int start = c.position();
            c.insertText(QString::fromStdString(text), formats.format(base));
            const int end = c.position();
            // The other runs, neighbours in the same format taken together.
            int pos = start;
            for (std::size_t i = 0; i < ids.size();) {
                int length = lengths[i];
                std::size_t next = i + 1;
                while (next < ids.size() && ids[next] == ids[i]) length += lengths[next++];
                if (ids[i] != base && length > 0) {
                    c.setPosition(pos);
                    c.setPosition(pos + length, QTextCursor::KeepAnchor);
                    c.setCharFormat(formats.format(ids[i]));
                }
                pos += length;
                i = next;
            }
            c.setPosition(end);
        }
        if (p.list == rtf::ListStyle::None) {
            list = nullptr;
        } else if (list && listStyle == p.list) {
            list->add(c.block());
        } else {
            QTextListFormat lf;
            lf.setStyle(p.list == rtf::ListStyle::Bullet ? QTextListFormat::ListDisc : QTextListFormat::ListDecimal);
            lf.setIndent(1);
            list = c.createList(lf);
            listStyle = p.list;
        }
    }
    c.endEditBlock();
    document.setUndoRedoEnabled(undo);
    document.setModified(false);
}

rtf::ReadStatus readRtf(QTextDocument& document, const QByteArray& bytes) {
    const rtf::ReadResult r = rtf::read(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    setRtfModel(document, r.document);
    return r.status;
}

QByteArray writeRtf(const rtf::Document& model, const QString& defaultFamily) {
    rtf::WriteOptions options;
    options.defaultFont = defaultFamily.toStdString();
    const std::string out = rtf::write(model, options);
    return QByteArray(out.data(), static_cast<qsizetype>(out.size()));
}

QByteArray writeRtf(const QTextDocument& document) {
    return writeRtf(rtfModelOf(document), document.defaultFont().family());
}

}  // namespace ostrel
