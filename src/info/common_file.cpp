#include "info/common_file.h"

#include "platform/files.h"
#include "platform/platform.h"

void WriteTextFile(const Text& path, const Text& text) {
    std::string bytes = platform::ToAnsi(text);
    bytes += "\r\n";
    platform::OverwriteFile(path, bytes);
}
