#include "info/common_file.h"

#include "platform/files.h"
#include "platform/platform.h"

void WriteTextFile(const Text& path, const Text& text) {
    std::string bytes = platform::ToAnsi(text);
    bytes += "\r\n";
    platform::OverwriteFile(path, bytes);
}

void ReadTextLines(const Text& path, const std::function<void(TextView)>& onLine) {
    const Text text = platform::FromAnsi(platform::ReadFileBytes(path));
    const TextView all(text);
    size_t begin = 0;
    while (begin < all.size()) {
        size_t end = all.find(u'\r', begin);
        if (end == TextView::npos) end = all.size();
        onLine(all.substr(begin, end - begin));
        begin = end + 1;
        if (begin < all.size() && all[begin] == u'\n') ++begin;
    }
}
