#include "core/settings/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <mutex>
#include <random>

namespace ostrel {
namespace {

namespace fs = std::filesystem;

std::function<void(const std::string&)>& beforeReplaceHook() {
    static std::function<void(const std::string&)> hook;
    return hook;
}

constexpr std::string_view kBlanks = " \t\v\f";
constexpr std::string_view kBom = "\xEF\xBB\xBF";

std::string_view trim(std::string_view s) {
    const auto first = s.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(kBlanks);
    return s.substr(first, last - first + 1);
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

// Cuts a value to kMaxValueLength characters without splitting a UTF-8
// sequence; bytes that are not UTF-8 continuation bytes each start one.
std::string truncateValue(std::string_view v) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        const auto b = static_cast<unsigned char>(v[i]);
        if ((b & 0xC0) == 0x80) continue;
        if (count == IniFile::kMaxValueLength) return std::string(v.substr(0, i));
        ++count;
    }
    return std::string(v);
}

std::string systemError(const std::string& what, const std::string& path, int err) {
    return what + " " + path + ": " + std::strerror(err);
}

}  // namespace

struct IniLine {
    enum Kind { Other, Section, Key };
    std::string text;    // without its line ending
    std::string ending;  // "\r\n", "\n", or empty: a new line, or a last line without one
    Kind kind = Other;
    std::string name;   // section or key name, trimmed
    std::string value;  // key lines: the value, trimmed

    IniLine() = default;
    explicit IniLine(std::string t) : text(std::move(t)) {}
};

struct IniDocument {
    bool bom = false;
    std::string eol = "\n";  // for new lines: the first line's ending
    std::vector<IniLine> lines;
};

namespace {

using Line = IniLine;
using Document = IniDocument;

void classify(Line& line) {
    line.kind = Line::Other;
    line.name.clear();
    line.value.clear();
    const std::string_view t = trim(line.text);
    if (t.empty()) return;
    if (t.front() == '[') {
        std::string_view inner = t.substr(1);
        const auto close = inner.find(']');
        if (close != std::string_view::npos) inner = inner.substr(0, close);
        line.kind = Line::Section;
        line.name = trim(inner);
        return;
    }
    if (t.front() == ';' || t.front() == '#') return;
    const auto eq = t.find('=');
    if (eq == std::string_view::npos) return;
    const std::string_view key = trim(t.substr(0, eq));
    if (key.empty()) return;
    line.kind = Line::Key;
    line.name = key;
    line.value = trim(t.substr(eq + 1));
}

std::string tooLarge(const std::string& path) {
    return "cannot read " + path + ": the file is larger than " +
           std::to_string(IniFile::kMaxFileBytes / (1024 * 1024)) + " MB";
}

// What tells one version of a file from another.
struct Stamp {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{};
    timespec ctime{};
    bool operator==(const Stamp& o) const {
        return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
               mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec && ctime.tv_nsec == o.ctime.tv_nsec;
    }
};

Stamp stampOf(const struct stat& st) { return {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim}; }

// Refuses what must not be read: anything but a regular file, or a file
// larger than the limit.
void checkReadable(const std::string& path, const struct stat& st) {
    if (S_ISDIR(st.st_mode)) throw IniError("cannot read " + path + ": it is a folder");
    if (!S_ISREG(st.st_mode)) throw IniError("cannot read " + path + ": not a regular file");
    if (static_cast<std::uint64_t>(st.st_size) > IniFile::kMaxFileBytes) throw IniError(tooLarge(path));
}

// Reads the whole file; a missing file is empty (*existed false). The stamp
// is the one of the bytes read.
std::string readFileBytes(const std::string& path, bool* existed, Stamp* stamp) {
    *existed = false;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return {};
        throw IniError(systemError("cannot read", path, errno));
    }
    checkReadable(path, st);
    // Not blocking, should the file have become a FIFO meanwhile.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return {};
        throw IniError(systemError("cannot read", path, errno));
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    if (::fstat(fd, &st) != 0) throw IniError(systemError("cannot read", path, errno));
    checkReadable(path, st);
    *stamp = stampOf(st);
    std::string data;
    data.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw IniError(systemError("cannot read", path, errno));
        }
        if (n == 0) break;
        data.append(buf, static_cast<std::size_t>(n));
        // Grown while being read.
        if (data.size() > IniFile::kMaxFileBytes) throw IniError(tooLarge(path));
    }
    *existed = true;
    return data;
}

std::atomic<std::uint64_t> g_parses{0};

Document parse(std::string data) {
    ++g_parses;
    Document doc;
    std::string_view rest = data;
    if (rest.substr(0, kBom.size()) == kBom) {
        doc.bom = true;
        rest.remove_prefix(kBom.size());
    }
    bool eolSeen = false;
    while (!rest.empty()) {
        const auto nl = rest.find('\n');
        std::string_view raw = rest.substr(0, nl);
        std::string ending;
        if (nl != std::string_view::npos) {
            ending = "\n";
            if (!raw.empty() && raw.back() == '\r') {
                raw.remove_suffix(1);
                ending = "\r\n";
            }
            if (!eolSeen) doc.eol = ending;
            eolSeen = true;
        } else if (!raw.empty() && raw.back() == '\r') {
            raw.remove_suffix(1);  // a last line cut after its CR
        }
        doc.lines.emplace_back(std::string(raw));
        doc.lines.back().ending = std::move(ending);
        if (nl == std::string_view::npos) break;
        rest.remove_prefix(nl + 1);
    }
    for (auto& line : doc.lines) classify(line);
    return doc;
}

// The parsed files, shared by every IniFile of the process.
struct CacheEntry {
    Stamp stamp;
    timespec readAt{};  // real time just before the bytes were read
    std::shared_ptr<const Document> doc;
};

std::mutex& cacheMutex() {
    static std::mutex m;
    return m;
}

std::map<std::string, CacheEntry>& cache() {
    static std::map<std::string, CacheEntry> c;
    return c;
}

constexpr std::size_t kMaxCachedFiles = 32;

timespec realNow() {
    // File times are real time, so this compares with the real clock.
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return now;
}

// The kept text is the file's as long as the stamp is the same, unless the
// file was changed shortly before it was read: file systems keep times to a
// few milliseconds at best, so a second change within the same timestamp
// (and of the same size) would go unseen. Such a text is read again until a
// read comes well after the last change.
bool trustworthy(const CacheEntry& e) {
    const auto before = [&](const timespec& t) { return t.tv_sec + 1 < e.readAt.tv_sec; };
    return before(e.stamp.mtime) && before(e.stamp.ctime);
}

const std::shared_ptr<const Document>& emptyDocument() {
    static const std::shared_ptr<const Document> empty = std::make_shared<const Document>();
    return empty;
}

void remember(const std::string& path, CacheEntry entry) {
    const std::lock_guard lock(cacheMutex());
    auto& c = cache();
    if (c.size() >= kMaxCachedFiles && c.find(path) == c.end()) c.erase(c.begin());
    c[path] = std::move(entry);
}

void forget(const std::string& path) {
    const std::lock_guard lock(cacheMutex());
    cache().erase(path);
}

std::shared_ptr<const Document> load(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            forget(path);
            return emptyDocument();
        }
        throw IniError(systemError("cannot read", path, errno));
    }
    checkReadable(path, st);
    {
        const std::lock_guard lock(cacheMutex());
        const auto it = cache().find(path);
        if (it != cache().end() && it->second.stamp == stampOf(st) && trustworthy(it->second)) return it->second.doc;
    }
    const timespec readAt = realNow();
    bool existed = false;
    Stamp stamp;
    std::string bytes = readFileBytes(path, &existed, &stamp);
    if (!existed) {
        forget(path);
        return emptyDocument();
    }
    auto doc = std::make_shared<const Document>(parse(std::move(bytes)));
    remember(path, {stamp, readAt, doc});
    return doc;
}

// Index of the first section line named section, or npos.
std::size_t findSection(const Document& doc, std::string_view section) {
    for (std::size_t i = 0; i < doc.lines.size(); ++i)
        if (doc.lines[i].kind == Line::Section && sameName(doc.lines[i].name, section)) return i;
    return std::string::npos;
}

// End (exclusive) of the section whose header is at index start.
std::size_t sectionEnd(const Document& doc, std::size_t start) {
    std::size_t i = start + 1;
    while (i < doc.lines.size() && doc.lines[i].kind != Line::Section) ++i;
    return i;
}

const Line* findKey(const Document& doc, std::string_view section, std::string_view key, std::size_t* index = nullptr) {
    const std::size_t s = findSection(doc, section);
    if (s == std::string::npos) return nullptr;
    const std::size_t end = sectionEnd(doc, s);
    for (std::size_t i = s + 1; i < end; ++i) {
        if (doc.lines[i].kind == Line::Key && sameName(doc.lines[i].name, key)) {
            if (index) *index = i;
            return &doc.lines[i];
        }
    }
    return nullptr;
}

std::string serialize(const Document& doc) {
    std::string out;
    if (doc.bom) out += kBom;
    // Every line keeps its own ending; new lines, and a last line that had
    // none, take the file's.
    for (const Line& line : doc.lines) {
        out += line.text;
        out += line.ending.empty() ? doc.eol : line.ending;
    }
    return out;
}

void writeAll(int fd, const std::string& data, const std::string& path) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw IniError(systemError("cannot write", path, errno));
        }
        done += static_cast<std::size_t>(n);
    }
}

// Replaces the file at path with data: a temporary file in the same folder
// is written, flushed and renamed over it, so the file is always either the
// old one or the new one.
void replaceFile(const std::string& path, const std::string& data) {
    if (data.size() > IniFile::kMaxFileBytes)
        throw IniError("cannot write " + path + ": the file would be larger than " +
                       std::to_string(IniFile::kMaxFileBytes / (1024 * 1024)) + " MB");
    std::string target = path;
    std::error_code ec;
    if (fs::is_symlink(path, ec)) {
        const fs::path resolved = fs::weakly_canonical(path, ec);
        if (!ec) target = resolved.string();
    }

    struct stat old {};
    const bool hadFile = ::stat(target.c_str(), &old) == 0;
    // A read-only file stays as it is, even where the folder would let the
    // rename replace it (and even for root, who may write anything).
    if (hadFile && (::access(target.c_str(), W_OK) != 0 || (old.st_mode & 0222) == 0))
        throw IniError("cannot write " + path + ": the file is read-only");

    std::random_device rd;
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 50 && fd < 0; ++attempt) {
        temp = target + ".tmp-" + std::to_string(rd());
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) throw IniError(systemError("cannot write", path, errno));
    }
    if (fd < 0) throw IniError("cannot write " + path + ": no temporary file name is free");

    try {
        if (hadFile) (void)::fchmod(fd, old.st_mode & 07777);
        writeAll(fd, data, path);
        if (::fsync(fd) != 0) throw IniError(systemError("cannot write", path, errno));
        const int closed = ::close(fd);
        fd = -1;
        if (closed != 0) throw IniError(systemError("cannot write", path, errno));
        if (beforeReplaceHook()) beforeReplaceHook()(temp);
        if (::rename(temp.c_str(), target.c_str()) != 0) throw IniError(systemError("cannot write", path, errno));
    } catch (...) {
        if (fd >= 0) ::close(fd);
        ::unlink(temp.c_str());
        throw;
    }

    // Make the rename itself durable.
    const std::string folder = fs::path(target).parent_path().string();
    const int dirFd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        (void)::fsync(dirFd);
        ::close(dirFd);
    }
    forget(path);
}

// A file whose text would stay the same is not written at all (nothing to
// do, and a read-only place is then no obstacle).
void writeIfChanged(const std::string& path, const Document& doc) {
    const std::string text = serialize(doc);
    try {
        std::error_code ec;
        if (fs::exists(path, ec) && serialize(*load(path)) == text) return;
    } catch (const IniError&) {
        // Unreadable: written over below, or the write fails with its reason.
    }
    replaceFile(path, text);
}

void checkSectionName(std::string_view section) {
    if (trim(section).empty() || section.find_first_of("\r\n]") != std::string_view::npos)
        throw std::invalid_argument("invalid INI section name: " + std::string(section));
}

void checkKeyName(std::string_view key) {
    const std::string_view t = trim(key);
    if (t.empty() || key.find_first_of("\r\n=") != std::string_view::npos || t.front() == '[' || t.front() == ';' ||
        t.front() == '#')
        throw std::invalid_argument("invalid INI key name: " + std::string(key));
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

bool IniFile::exists() const {
    std::error_code ec;
    return fs::exists(path_, ec);
}

std::string IniFile::readString(std::string_view section, std::string_view key, std::string_view def) const {
    const std::shared_ptr<const Document> current = document();
    const Document& doc = *current;
    const Line* line = findKey(doc, section, key);
    return truncateValue(line ? std::string_view(line->value) : def);
}

std::optional<std::int64_t> IniFile::parseInteger(std::string_view text) {
    std::string_view t = trim(text);
    bool negative = false;
    if (!t.empty() && (t.front() == '-' || t.front() == '+')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    unsigned base = 10;
    if (t.size() >= 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
        base = 16;
        t.remove_prefix(2);
    } else if (!t.empty() && t.front() == '$') {
        base = 16;
        t.remove_prefix(1);
    }
    if (t.empty()) return std::nullopt;
    const std::uint64_t limit = negative ? std::uint64_t{1} << 63 : (std::uint64_t{1} << 63) - 1;
    std::uint64_t value = 0;
    for (const char c : t) {
        unsigned digit;
        if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && lowerAscii(c) >= 'a' && lowerAscii(c) <= 'f')
            digit = static_cast<unsigned>(lowerAscii(c) - 'a' + 10);
        else return std::nullopt;
        if (value > (limit - digit) / base) return std::nullopt;
        value = value * base + digit;
    }
    if (negative) return value == (std::uint64_t{1} << 63) ? INT64_MIN : -static_cast<std::int64_t>(value);
    return static_cast<std::int64_t>(value);
}

std::int64_t IniFile::readInteger(std::string_view section, std::string_view key, std::int64_t def) const {
    const std::shared_ptr<const Document> current = document();
    const Document& doc = *current;
    const Line* line = findKey(doc, section, key);
    if (!line) return def;
    return parseInteger(line->value).value_or(def);
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool def) const {
    return readInteger(section, key, def ? 1 : 0) != 0;
}

std::vector<std::pair<std::string, std::string>> IniFile::readSection(std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> result;
    const std::shared_ptr<const Document> current = document();
    const Document& doc = *current;
    const std::size_t s = findSection(doc, section);
    if (s == std::string::npos) return result;
    const std::size_t end = sectionEnd(doc, s);
    for (std::size_t i = s + 1; i < end; ++i) {
        const Line& line = doc.lines[i];
        if (line.kind == Line::Key) result.emplace_back(line.name, truncateValue(line.value));
    }
    return result;
}

bool IniFile::hasKey(std::string_view section, std::string_view key) const {
    const std::shared_ptr<const Document> current = document();
    const Document& doc = *current;
    return findKey(doc, section, key) != nullptr;
}

std::optional<std::string> IniFile::findValue(std::string_view section, std::string_view key) const {
    const std::shared_ptr<const Document> current = document();
    const Document& doc = *current;
    const Line* line = findKey(doc, section, key);
    if (!line) return std::nullopt;
    return truncateValue(line->value);
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    checkSectionName(section);
    checkKeyName(key);
    std::string flat(value);
    for (char& c : flat)
        if (c == '\r' || c == '\n') c = ' ';

    Document doc = editable();
    std::size_t index = 0;
    if (const Line* line = findKey(doc, section, key, &index)) {
        Line& target = doc.lines[index];
        target.text = line->name + "=" + flat;
    } else if (const std::size_t s = findSection(doc, section); s != std::string::npos) {
        // After the section's last key line (or its header).
        std::size_t insertAt = s + 1;
        const std::size_t end = sectionEnd(doc, s);
        for (std::size_t i = s + 1; i < end; ++i)
            if (doc.lines[i].kind == Line::Key) insertAt = i + 1;
        doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(insertAt),
                         Line(std::string(trim(key)) + "=" + flat));
    } else {
        if (!doc.lines.empty() && !trim(doc.lines.back().text).empty()) doc.lines.emplace_back();
        doc.lines.emplace_back("[" + std::string(trim(section)) + "]");
        doc.lines.push_back(Line(std::string(trim(key)) + "=" + flat));
    }
    store(std::move(doc));
}

void IniFile::writeInteger(std::string_view section, std::string_view key, std::int64_t value) {
    writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

void IniFile::deleteKey(std::string_view section, std::string_view key) {
    Document doc = editable();
    std::size_t index = 0;
    if (!findKey(doc, section, key, &index)) return;
    doc.lines.erase(doc.lines.begin() + static_cast<std::ptrdiff_t>(index));
    store(std::move(doc));
}

std::shared_ptr<const IniDocument> IniFile::document() const {
    if (pending_) return pending_;
    return load(path_);
}

IniDocument IniFile::editable() {
    if (pending_) return *pending_;
    return *load(path_);
}

void IniFile::store(IniDocument doc) {
    if (batching_) {
        // Lines are classified again, so that reads within the batch see
        // what a read of the written file would.
        for (Line& line : doc.lines) classify(line);
        pending_ = std::make_shared<IniDocument>(std::move(doc));
        dirty_ = true;
        return;
    }
    writeIfChanged(path_, doc);
}

void IniFile::beginBatch() {
    batching_ = true;
    dirty_ = false;
    pending_.reset();
}

void IniFile::commitBatch() {
    if (!batching_) return;
    const bool write = dirty_ && pending_;
    std::shared_ptr<IniDocument> doc = std::move(pending_);
    batching_ = false;
    dirty_ = false;
    pending_.reset();
    if (write) writeIfChanged(path_, *doc);
}

void IniFile::discardBatch() {
    batching_ = false;
    dirty_ = false;
    pending_.reset();
}

int IniFile::removeLeftoverTemporaries(const std::string& path) {
    std::error_code ec;
    fs::path target = path;
    if (fs::is_symlink(target, ec)) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec) target = resolved;
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const std::string prefix = target.filename().string() + ".tmp-";
    int removed = 0;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        if (name.find_first_not_of("0123456789", prefix.size()) != std::string::npos) continue;
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        if (fs::remove(it->path(), typeError)) ++removed;
    }
    return removed;
}

std::uint64_t IniFile::parseCountForTesting() { return g_parses.load(); }

void IniFile::setBeforeReplaceHookForTesting(std::function<void(const std::string& tempPath)> hook) {
    beforeReplaceHook() = std::move(hook);
}

}  // namespace ostrel
