#include "Messages.h"

std::string relativeToShow(const std::string& text, const std::string& showDir) {
    if (showDir.empty()) return text;
    std::string relative;
    size_t from = 0;
    for (size_t at = text.find(showDir); at != std::string::npos; at = text.find(showDir, from)) {
        relative.append(text, from, at - from);
        from = at + showDir.size();
    }
    return relative.append(text, from, std::string::npos);
}

size_t wrapWidth(const char* line, size_t length, size_t columns) {
    if (columns == 0) columns = 1;
    if (length <= columns) return length;
    // A space just past the row breaks there too: the row is full words.
    for (size_t i = columns; i > 0; --i)
        if (line[i] == ' ') return i;
    return columns;
}
