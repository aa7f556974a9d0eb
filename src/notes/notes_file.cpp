#include "notes/notes_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QSaveFile>
#include <QThreadPool>

#include <condition_variable>
#include <mutex>
#include <optional>

#include "core/notes/rtf_reader.h"

namespace ostrel {

QString keepAside(const QString& path, const QDateTime& now) {
    const QFileInfo info(path);
    const QString base = info.dir().filePath(info.completeBaseName() + QStringLiteral("-damaged-") +
                                             now.toString(QStringLiteral("yyyy-MM-dd-HHmmss")));
    const QString ext = info.suffix().isEmpty() ? QString() : QStringLiteral(".") + info.suffix();
    for (int n = 1; n < 1000; ++n) {
        const QString target = n == 1 ? base + ext : base + QStringLiteral("-%1").arg(n) + ext;
        if (QFileInfo::exists(target)) continue;
        // rename() never replaces an existing file.
        if (QFile::rename(path, target)) return target;
        return {};
    }
    return {};
}

NotesLoadResult loadNotesFile(const QString& path, const QDateTime& now) {
    NotesLoadResult result;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        result.kind = NotesLoadResult::Missing;
        return result;
    }
    QFile f(path);
    QByteArray bytes;
    bool readable = info.isFile() && f.open(QIODevice::ReadOnly);
    if (readable) {
        bytes = f.readAll();
        if (f.error() != QFileDevice::NoError) readable = false;
        f.close();
    }
    if (readable) {
        rtf::ReadResult r = rtf::read(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        result.document = std::move(r.document);
        if (r.status == rtf::ReadStatus::Ok) {
            result.kind = NotesLoadResult::Loaded;
            return result;
        }
        result.error = r.status == rtf::ReadStatus::NotRtf ? QStringLiteral("not an RTF file")
                                                           : QStringLiteral("the file is cut off");
    } else {
        result.document.paragraphs.emplace_back();
        result.error = f.errorString();
    }
    result.keptAs = keepAside(path, now);
    result.kind = result.keptAs.isEmpty() ? NotesLoadResult::Unreadable : NotesLoadResult::KeptAside;
    return result;
}

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile f(path);
    // A folder that does not allow temporary files makes the write fail
    // rather than write the file in place.
    f.setDirectWriteFallback(false);
    if (!f.open(QIODevice::WriteOnly)) {
        if (error) *error = f.errorString();
        return false;
    }
    if (f.write(bytes) != bytes.size()) {
        if (error) *error = f.errorString();
        f.cancelWriting();
        return false;
    }
    if (!f.commit()) {
        if (error) *error = f.errorString();
        return false;
    }
    return true;
}

namespace {
QByteArray encode(const RtfSnapshot& snapshot) { return writeRtf(snapshot.document(), snapshot.defaultFamily); }
}  // namespace

// State shared with the worker: the worker may outlive a write request but
// never the saver (the destructor waits).
struct NotesSaver::Shared {
    std::mutex mutex;
    std::condition_variable idle;
    bool running = false;
    std::optional<RtfSnapshot> waiting;
};

NotesSaver::NotesSaver(QString path, QObject* parent)
    : QObject(parent), path_(std::move(path)), shared_(std::make_shared<Shared>()) {}

NotesSaver::~NotesSaver() { waitForIdle(); }

bool NotesSaver::busy() const {
    std::lock_guard lock(shared_->mutex);
    return shared_->running || shared_->waiting.has_value();
}

void NotesSaver::saveInBackground(RtfSnapshot snapshot) {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->waiting.emplace(std::move(snapshot));
        if (shared_->running) return;
        shared_->running = true;
    }
    startNext();
}

void NotesSaver::startNext() {
    std::shared_ptr<Shared> shared = shared_;
    NotesSaver* self = this;
    const QString path = path_;
    QThreadPool::globalInstance()->start([shared, self, path] {
        for (;;) {
            RtfSnapshot job;
            {
                std::lock_guard lock(shared->mutex);
                if (!shared->waiting) {
                    shared->running = false;
                    shared->idle.notify_all();
                    return;
                }
                job = std::move(*shared->waiting);
                shared->waiting.reset();
            }
            QString error;
            const bool ok = writeFileAtomically(path, encode(job), &error);
            // The saver lives until the worker is idle, so self is valid
            // here; the signal is delivered on the saver's thread.
            QMetaObject::invokeMethod(
                self, [self, ok, error] { emit self->saved(ok, error); }, Qt::QueuedConnection);
        }
    });
}

void NotesSaver::waitForIdle() {
    std::unique_lock lock(shared_->mutex);
    shared_->idle.wait(lock, [&] { return !shared_->running && !shared_->waiting; });
}

bool NotesSaver::saveNow(const RtfSnapshot& snapshot, QString* error) {
    {
        // A newer snapshot replaces the one waiting.
        std::unique_lock lock(shared_->mutex);
        shared_->waiting.reset();
        shared_->idle.wait(lock, [&] { return !shared_->running; });
    }
    return writeFileAtomically(path_, encode(snapshot), error);
}

}  // namespace ostrel
