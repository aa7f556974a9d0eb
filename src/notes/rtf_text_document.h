#pragma once
// Between the notes' RTF document model and the editor's QTextDocument.

#include <QByteArray>
#include <QObject>
#include <QTextDocument>

#include <memory>
#include <vector>

#include "core/notes/rtf_document.h"
#include "core/notes/rtf_reader.h"

namespace ostrel {

// The text document as the RTF writer takes it. Every run carries its
// resolved font name and size (the document's default where the text has
// none); colours are written only where the text has its own.
rtf::Document rtfModelOf(const QTextDocument& document);

// The document as it was at one moment, cheap to take: paragraphs are
// shared with the cache and stay unchanged whatever the document does
// later, so the snapshot can be written on another thread.
struct RtfSnapshot {
    std::vector<std::shared_ptr<const rtf::Paragraph>> paragraphs;
    QString defaultFamily;
    rtf::Document document() const;
};

// Keeps every block's paragraph as last converted, dropping it when the
// block changes, so a snapshot converts only what changed since the last.
class RtfSnapshots : public QObject {
    Q_OBJECT
public:
    explicit RtfSnapshots(QTextDocument* document);
    RtfSnapshot take();

private:
    void changed(int position, int removed, int added);
    QTextDocument* document_;
};

// Replaces the text document's content with the model's (one undo step is
// not kept: the undo history is cleared).
void setRtfModel(QTextDocument& document, const rtf::Document& model);

// Reads RTF into the document; returns how the reading went. The document
// holds what could be read, whatever the status.
rtf::ReadStatus readRtf(QTextDocument& document, const QByteArray& bytes);

// The whole document as RTF.
QByteArray writeRtf(const QTextDocument& document);
// The model as RTF, with the font the document uses by default.
QByteArray writeRtf(const rtf::Document& model, const QString& defaultFamily);

}  // namespace ostrel
