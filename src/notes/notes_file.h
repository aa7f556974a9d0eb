#pragma once
// The notes file: read once at start-up, written atomically in the
// background while the program runs (see NotesSaver), never written over
// when it could not be read.

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>

#include <memory>

#include "core/notes/rtf_document.h"
#include "notes/rtf_text_document.h"

namespace ostrel {

struct NotesLoadResult {
    enum Kind {
        Missing,     // no file yet
        Loaded,      // read completely
        KeptAside,   // damaged or unreadable: moved to keptAs, what could be read is in document
        Unreadable,  // could not be read and could not be moved aside either
    };
    Kind kind = Missing;
    rtf::Document document;
    QString keptAs;
    QString error;
};

// Reads the notes file. A file that is not RTF, is cut off, or cannot be
// read is first moved aside (keepAside), so that nothing the program writes
// later can destroy it.
NotesLoadResult loadNotesFile(const QString& path, const QDateTime& now);

// Moves the file to "<name>-damaged-<yyyy-MM-dd-HHmmss>[-N].<ext>" in the
// same folder; returns the new path, or empty when it could not be moved.
QString keepAside(const QString& path, const QDateTime& now);

// Replaces the file atomically (temporary file in the same folder, flushed,
// renamed over the old one). On failure the old file is untouched and
// error (if given) says why.
bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// Writes snapshots of the notes on a worker thread, one at a time; a
// snapshot that arrives while one is being written waits, and only the
// newest waiting one is written.
class NotesSaver : public QObject {
    Q_OBJECT
public:
    explicit NotesSaver(QString path, QObject* parent = nullptr);
    ~NotesSaver() override;  // waits for a write in progress

    const QString& path() const { return path_; }

    // Queues the snapshot for writing and returns at once; the snapshot is
    // encoded on the worker thread.
    void saveInBackground(RtfSnapshot snapshot);
    // Writes the snapshot now, after any write in progress; returns
    // whether it was written.
    bool saveNow(const RtfSnapshot& snapshot, QString* error = nullptr);
    // Waits for every queued write.
    void waitForIdle();
    bool busy() const;

signals:
    // After each background write, on the thread the saver lives in.
    void saved(bool ok, const QString& error);

private:
    struct Shared;
    void startNext();
    QString path_;
    std::shared_ptr<Shared> shared_;
};

}  // namespace ostrel
