#include "notes/rtf_text_document.h"

#include <QHash>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextList>

#include <cmath>

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
    if (families.isValid() && !families.toStringList().isEmpty())
        family = families.toStringList().first();
    else if (f.hasProperty(QTextFormat::FontFamily))
        family = f.stringProperty(QTextFormat::FontFamily);
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

rtf::Document rtfModelOf(const QTextDocument& document) {
    rtf::Document out;
    const QFont defaultFont = document.defaultFont();
    // Documents share a few formats among many fragments.
    QHash<int, rtf::CharFormat> formats;
    auto formatOf = [&](int index, const QTextCharFormat& f) -> const rtf::CharFormat& {
        auto it = formats.find(index);
        if (it == formats.end()) it = formats.insert(index, modelFormat(f, defaultFont));
        return *it;
    };
    out.paragraphs.reserve(static_cast<std::size_t>(document.blockCount()));
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
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
            if (!p.runs.empty() && p.runs.back().format == f)
                p.runs.back().text += utf8;
            else
                p.runs.push_back(rtf::Run{f, std::move(utf8)});
        }
        p.markFormat = formatOf(block.charFormatIndex(), block.charFormat());
        out.paragraphs.push_back(std::move(p));
    }
    if (out.paragraphs.empty()) out.paragraphs.emplace_back();
    return out;
}

void setRtfModel(QTextDocument& document, const rtf::Document& model) {
    const bool undo = document.isUndoRedoEnabled();
    document.setUndoRedoEnabled(false);
    document.clear();
    QTextCursor c(&document);
    QTextList* list = nullptr;
    rtf::ListStyle listStyle = rtf::ListStyle::None;
    bool first = true;
    for (const rtf::Paragraph& p : model.paragraphs) {
        QTextBlockFormat bf;
        bf.setAlignment(qtAlign(p.align));
        if (p.list == rtf::ListStyle::None) {
            bf.setLeftMargin(p.leftIndent / kTwipsPerPixel);
            bf.setTextIndent(p.firstIndent / kTwipsPerPixel);
        }
        const QTextCharFormat mark = qtFormat(p.markFormat);
        if (first) {
            c.setBlockFormat(bf);
            c.setBlockCharFormat(mark);
            first = false;
        } else {
            c.insertBlock(bf, mark);
        }
        for (const rtf::Run& r : p.runs) c.insertText(QString::fromStdString(r.text), qtFormat(r.format));
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
