#include "info/ufl.h"

#include "info/common_ufl.h"
#include "platform/files.h"
#include "platform/platform.h"

Text UFL::Help(const Text& helpCommand) const {
    // Lower-casing makes the keywords case-insensitive; nothing is trimmed.
    const Text keyword = platform::ToLower(helpCommand);
    if (keyword == u"about") {
        const auto v = platform::LibraryVersion();
        return v.fileDescription + u" " + v.executableName + u" " + v.Numbers() + u" " + v.companyName;
    }
    if (keyword == u"version") {
        const auto v = platform::LibraryVersion();
        return v.executableName + u" " + v.Numbers();
    }
    if (keyword == u"installedfolder") return platform::LibraryVersion().installedFolder;
    if (keyword == u"startlog") {
        StartLog();
        return Text();
    }
    if (keyword == u"savelog") {
        SaveLog();
        return Text();
    }
    if (keyword == u"productdescription") return platform::LibraryVersion().fileDescription;
    if (keyword == u"developer") return GetDeveloperName();
    if (keyword == u"applicationname") return GetApplicationName();
    return Text();
}
