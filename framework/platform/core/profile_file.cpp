#include "framework/platform/core/profile_file.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <vector>

#include "framework/platform/core/config_dir.h"

namespace dbprobe::platform {
namespace {

namespace fs = std::filesystem;

// Read-modify-write of a profile must not interleave within the process.
std::mutex& ProfileLock() {
    static std::mutex lock;
    return lock;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// The lines of the file without their line ends; empty when it cannot be read.
std::vector<std::string> ReadLines(const fs::path& path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
    }
    return lines;
}

// A section header's name, or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    line.remove_prefix(1);
    std::size_t close = line.find(']');
    return Trim(line.substr(0, close));
}

struct Entry {
    std::string_view key;
    std::string_view value;
};

// A "key=value" line; comments and lines without '=' are no entries.
std::optional<Entry> EntryOf(std::string_view line) {
    std::string_view t = Trim(line);
    if (t.empty() || t.front() == ';') return std::nullopt;
    std::size_t eq = t.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return Entry{Trim(t.substr(0, eq)), Trim(t.substr(eq + 1))};
}

// Where a section's lines lie: header index and one past its last line.
struct SectionSpan {
    std::size_t header = 0;
    std::size_t end = 0;
};

std::optional<SectionSpan> FindSection(const std::vector<std::string>& lines,
                                       std::string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::optional<std::string_view> name = SectionName(lines[i]);
        if (!name || !SameName(*name, section)) continue;
        std::size_t end = i + 1;
        while (end < lines.size() && !SectionName(lines[end])) ++end;
        return SectionSpan{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> FindKey(const std::vector<std::string>& lines, const SectionSpan& span,
                                   std::string_view key) {
    for (std::size_t i = span.header + 1; i < span.end; ++i) {
        std::optional<Entry> entry = EntryOf(lines[i]);
        if (entry && SameName(entry->key, key)) return i;
    }
    return std::nullopt;
}

// Replaces the file in one step so that a failed write leaves the old one.
bool WriteLines(const fs::path& path, const std::vector<std::string>& lines) {
    std::error_code ec;
    if (path.has_parent_path()) {
        fs::create_directories(path.parent_path(), ec);
        if (ec) return false;
    }
    fs::path temp = path;
    temp += ".tmp" + std::to_string(static_cast<long>(getpid()));
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        for (const std::string& line : lines) out << line << '\n';
        out.flush();
        if (!out) {
            out.close();
            fs::remove(temp, ec);
            return false;
        }
    }
    fs::rename(temp, path, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return false;
    }
    return true;
}

}  // namespace

std::optional<std::string> ReadProfileString(std::string_view file, std::string_view section,
                                             std::string_view key) {
    std::lock_guard guard(ProfileLock());
    const std::vector<std::string> lines = ReadLines(ProfilePath(file));
    std::optional<SectionSpan> span = FindSection(lines, section);
    if (!span) return std::nullopt;
    std::optional<std::size_t> at = FindKey(lines, *span, key);
    if (!at) return std::nullopt;
    return std::string(EntryOf(lines[*at])->value);
}

long ReadProfileInt(std::string_view file, std::string_view section, std::string_view key,
                    long fallback) {
    std::optional<std::string> value = ReadProfileString(file, section, key);
    if (!value) return fallback;
    const char* start = value->c_str();
    const char* digits = start + ((*start == '-' || *start == '+') ? 1 : 0);
    if (*digits < '0' || *digits > '9') return fallback;
    // strtol clamps a number too large for a long.
    return std::strtol(start, nullptr, 10);
}

bool WriteProfileString(std::string_view file, std::string_view section, std::string_view key,
                        std::string_view value) {
    std::lock_guard guard(ProfileLock());
    const fs::path path = ProfilePath(file);
    std::vector<std::string> lines = ReadLines(path);
    std::string entry = std::string(key) + "=" + std::string(Trim(value));

    std::optional<SectionSpan> span = FindSection(lines, section);
    if (!span) {
        lines.push_back("[" + std::string(section) + "]");
        lines.push_back(std::move(entry));
    } else if (std::optional<std::size_t> at = FindKey(lines, *span, key)) {
        lines[*at] = std::move(entry);
    } else {
        // After the section's last entry, so that blank lines and comments
        // that lead into the next section stay where they are.
        std::size_t insertAt = span->header + 1;
        for (std::size_t i = span->header + 1; i < span->end; ++i)
            if (EntryOf(lines[i])) insertAt = i + 1;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(entry));
    }
    return WriteLines(path, lines);
}

bool DeleteProfileKey(std::string_view file, std::string_view section, std::string_view key) {
    std::lock_guard guard(ProfileLock());
    const fs::path path = ProfilePath(file);
    std::vector<std::string> lines = ReadLines(path);
    std::optional<SectionSpan> span = FindSection(lines, section);
    if (!span) return true;
    std::optional<std::size_t> at = FindKey(lines, *span, key);
    if (!at) return true;
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(*at));
    return WriteLines(path, lines);
}

}  // namespace dbprobe::platform
