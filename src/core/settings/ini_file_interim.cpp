// INTERIM: a minimal IniFile so the settings code links and can be tested
// until the full reader/writer lands. Delete this file when ini_file.cpp
// arrives.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "core/settings/ini_file.h"

namespace ostrel {
namespace {

std::string lower(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}
std::string trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return {};
    const auto e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}
std::vector<std::string> readLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}
bool isSection(const std::string& line, std::string* name) {
    const std::string t = trim(line);
    if (t.size() < 2 || t.front() != '[' || t.back() != ']') return false;
    if (name) *name = lower(trim(t.substr(1, t.size() - 2)));
    return true;
}
// Index of the key line within the first section of that name, or -1;
// sectionEnd gets the line after the section's last line (or -1 when the
// section is missing).
int findKey(const std::vector<std::string>& lines, std::string_view section, std::string_view key, int* sectionEnd) {
    const std::string s = lower(section), k = lower(key);
    int found = -1;
    bool in = false, seen = false;
    *sectionEnd = -1;
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
        std::string name;
        if (isSection(lines[static_cast<std::size_t>(i)], &name)) {
            if (in) {
                *sectionEnd = i;
                return found;
            }
            in = !seen && name == s;
            seen = seen || in;
            continue;
        }
        if (!in || found >= 0) continue;
        const auto eq = lines[static_cast<std::size_t>(i)].find('=');
        if (eq != std::string::npos && lower(trim(lines[static_cast<std::size_t>(i)].substr(0, eq))) == k) found = i;
    }
    if (in) *sectionEnd = static_cast<int>(lines.size());
    return found;
}
void writeLines(const std::string& path, const std::vector<std::string>& lines) {
    const std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) throw IniError("cannot write " + path);
        for (const auto& l : lines) out << l << "\r\n";
        if (!out) throw IniError("cannot write " + path);
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) throw IniError("cannot write " + path);
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {}

std::string IniFile::readString(std::string_view section, std::string_view key, std::string_view def) const {
    const auto lines = readLines(path_);
    int end = 0;
    const int i = findKey(lines, section, key, &end);
    if (i < 0) return std::string(def);
    const std::string& l = lines[static_cast<std::size_t>(i)];
    return trim(l.substr(l.find('=') + 1)).substr(0, 2047);
}

std::int64_t IniFile::readInteger(std::string_view section, std::string_view key, std::int64_t def) const {
    const std::string s = readString(section, key, "");
    if (s.empty()) return def;
    try {
        std::size_t used = 0;
        std::int64_t v = 0;
        if (s.rfind("0x", 0) == 0 || s.rfind("0X", 0) == 0)
            v = static_cast<std::int64_t>(std::stoull(s.substr(2), &used, 16)), used += 2;
        else if (s[0] == '$')
            v = static_cast<std::int64_t>(std::stoull(s.substr(1), &used, 16)), used += 1;
        else
            v = std::stoll(s, &used, 10);
        return used == s.size() ? v : def;
    } catch (...) {
        return def;
    }
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool def) const {
    return readInteger(section, key, def ? 1 : 0) != 0;
}

std::vector<std::pair<std::string, std::string>> IniFile::readSection(std::string_view) const { return {}; }

bool IniFile::hasKey(std::string_view section, std::string_view key) const {
    int end = 0;
    return findKey(readLines(path_), section, key, &end) >= 0;
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    auto lines = readLines(path_);
    int end = 0;
    const int i = findKey(lines, section, key, &end);
    const std::string line = std::string(key) + "=" + std::string(value);
    if (i >= 0)
        lines[static_cast<std::size_t>(i)] = line;
    else if (end >= 0)
        lines.insert(lines.begin() + end, line);
    else {
        lines.push_back("[" + std::string(section) + "]");
        lines.push_back(line);
    }
    writeLines(path_, lines);
}

void IniFile::writeInteger(std::string_view section, std::string_view key, std::int64_t value) {
    writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

void IniFile::deleteKey(std::string_view section, std::string_view key) {
    auto lines = readLines(path_);
    int end = 0;
    const int i = findKey(lines, section, key, &end);
    if (i < 0) return;
    lines.erase(lines.begin() + i);
    writeLines(path_, lines);
}

}  // namespace ostrel
