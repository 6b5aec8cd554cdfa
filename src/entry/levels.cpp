#include "entry/levels.h"

namespace {

// The levels, or nothing when one of them is empty.
std::optional<std::vector<TextView>> Split(TextView description, TextView separator) {
    std::vector<TextView> levels;
    if (separator.empty()) {
        levels.push_back(description);
        return description.empty() ? std::nullopt : std::optional(levels);
    }
    for (size_t start = 0;;) {
        const size_t end = description.find(separator, start);
        const TextView level = description.substr(start, end == TextView::npos ? TextView::npos : end - start);
        if (level.empty()) return std::nullopt;
        levels.push_back(level);
        if (end == TextView::npos) return levels;
        start = end + separator.size();
    }
}

}  // namespace

// Split's answer without its levels: every Store and every row a load reads asks it.
bool IsPath(TextView description, TextView separator) {
    if (separator.empty()) return !description.empty();
    for (size_t start = 0;;) {
        const size_t end = description.find(separator, start);
        if (end == TextView::npos) return start < description.size();
        if (end == start) return false;
        start = end + separator.size();
    }
}

namespace {

// Where the row's own level starts (after the last separator, as Split finds them), or 0 for one level.
size_t LabelStart(TextView description, TextView separator) {
    if (separator.empty() || !IsPath(description, separator)) return 0;
    size_t start = 0;
    for (size_t end; (end = description.find(separator, start)) != TextView::npos;) start = end + separator.size();
    return start;
}

}  // namespace

std::vector<TextView> LevelsOf(TextView description, TextView separator) {
    std::optional<std::vector<TextView>> levels = Split(description, separator);
    return levels ? std::move(*levels) : std::vector<TextView>{description};
}

std::optional<TextView> ParentPath(TextView description, TextView separator) {
    const size_t start = LabelStart(description, separator);
    if (start == 0) return std::nullopt;
    return description.substr(0, start - separator.size());
}

TextView LabelOf(TextView description, TextView separator) {
    return description.substr(LabelStart(description, separator));
}

int16_t LevelOf(TextView description, TextView separator) {
    if (separator.empty() || !IsPath(description, separator)) return 1;
    int16_t level = 1;
    for (size_t at = description.find(separator); at != TextView::npos; at = description.find(separator, at + separator.size()))
        ++level;
    return level;
}

TextView TopLevelOf(TextView description, TextView separator) {
    if (separator.empty() || !IsPath(description, separator)) return description;
    return description.substr(0, description.find(separator));
}

Text WithSeparator(TextView description, TextView from, TextView to) {
    if (from.empty() || to.empty() || from == to || !IsPath(description, from)) return Text(description);
    Text out;
    out.reserve(description.size());
    for (TextView level : LevelsOf(description, from)) {
        if (!out.empty()) out.append(to);
        out.append(level);
    }
    return out;
}
