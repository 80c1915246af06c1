#include "Bookmarks.h"

#include "tracks/TrackEdit.h"

#include <algorithm>
#include <cctype>

const char* const kBookmarkFileName = "bookmarks.txt";

namespace {

const char kComment = '#';
const char* const kNewNamePrefix = "mark";

bool isBookmarkName(const std::string& s) {
    if (s.empty() || std::isdigit(static_cast<unsigned char>(s[0]))) return false;
    for (char c : s)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
    return true;
}

bool isSection(const trackc::MusicMap& map, const std::string& name) {
    for (const trackc::Section& section : map.sections)
        if (section.name == name) return true;
    return false;
}

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> result;
    const std::string text = line.substr(0, line.find(kComment));
    size_t at = 0;
    while (true) {
        const size_t start = text.find_first_not_of(" \t\r", at);
        if (start == std::string::npos) break;
        const size_t end = text.find_first_of(" \t\r", start);
        result.push_back(text.substr(start, end - start));
        if (end == std::string::npos) break;
        at = end;
    }
    return result;
}

} // namespace

bool parseBookmarks(const std::string& text, const std::string& file, const trackc::MusicMap& map,
                    std::vector<Bookmark>* bookmarks, trackc::Error* error) {
    bookmarks->clear();
    int line = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        ++line;
        const std::vector<std::string> parts = words(text.substr(start, end - start));
        start = end + 1;
        if (parts.empty()) continue;
        if (parts.size() != 2)
            return trackc::setError(error, file, line, "expected: NAME POSITION");
        const std::string& name = parts[0];
        if (!isBookmarkName(name) || name == "end")
            return trackc::setError(error, file, line, "bad bookmark name \"%s\"", name.c_str());
        if (isSection(map, name))
            return trackc::setError(error, file, line, "bookmark \"%s\" has a section's name",
                                    name.c_str());
        if (const Bookmark* other = bookmarkNamed(*bookmarks, name))
            return trackc::setError(error, file, line, "bookmark \"%s\" is already set on line %d",
                                    name.c_str(), other->line);
        int32_t row = 0;
        if (!trackc::resolvePosition(parts[1], map, file, line, &row, error)) return false;
        if (row < 0 || (map.hasEnd && row > map.endRow))
            return trackc::setError(error, file, line, "bookmark \"%s\" lies outside the music",
                                    name.c_str());
        bookmarks->push_back(Bookmark{name, parts[1], row, line});
    }
    return true;
}

std::string formatBookmarks(const std::vector<Bookmark>& bookmarks) {
    std::string text;
    for (const Bookmark& bookmark : bookmarks)
        text += bookmark.name + "  " + bookmark.position + "\n";
    return text;
}

const Bookmark* bookmarkAt(const std::vector<Bookmark>& bookmarks, int32_t row) {
    for (const Bookmark& bookmark : bookmarks)
        if (bookmark.row == row) return &bookmark;
    return nullptr;
}

const Bookmark* bookmarkNamed(const std::vector<Bookmark>& bookmarks, const std::string& name) {
    for (const Bookmark& bookmark : bookmarks)
        if (bookmark.name == name) return &bookmark;
    return nullptr;
}

std::string newBookmarkName(const std::vector<Bookmark>& bookmarks, const trackc::MusicMap& map) {
    for (int n = 1;; ++n) {
        const std::string name = kNewNamePrefix + std::to_string(n);
        if (!bookmarkNamed(bookmarks, name) && !isSection(map, name)) return name;
    }
}

std::string addBookmarkLine(const std::string& text, const std::string& name,
                            const trackc::MusicMap& map, int32_t row) {
    std::string result = text;
    if (!result.empty() && result.back() != '\n') result += '\n';
    return result + name + "  " + trackc::formatKeyPosition(map, row) + "\n";
}

std::string removeBookmarkLine(const std::string& text, int line) {
    size_t start = 0;
    for (int n = 1; n < line; ++n) {
        const size_t end = text.find('\n', start);
        if (end == std::string::npos) return text;
        start = end + 1;
    }
    if (start >= text.size()) return text;
    const size_t end = text.find('\n', start);
    return text.substr(0, start) + (end == std::string::npos ? "" : text.substr(end + 1));
}

bool nextBookmarkRow(const std::vector<Bookmark>& bookmarks, double row, bool forward,
                     int32_t* target) {
    bool found = false;
    for (const Bookmark& bookmark : bookmarks) {
        const bool beyond = forward ? bookmark.row > row : bookmark.row < row;
        if (!beyond) continue;
        if (!found || (forward ? bookmark.row < *target : bookmark.row > *target))
            *target = bookmark.row;
        found = true;
    }
    return found;
}

bool resolveBookmarkOrPosition(const std::string& text, const trackc::MusicMap& map,
                               const std::vector<Bookmark>& bookmarks, const std::string& file,
                               int32_t* row, trackc::Error* error) {
    if (const Bookmark* bookmark = bookmarkNamed(bookmarks, text)) {
        *row = bookmark->row;
        return true;
    }
    return trackc::resolvePosition(text, map, file, 0, row, error);
}
