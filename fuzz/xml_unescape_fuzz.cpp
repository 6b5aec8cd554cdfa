// XmlUnescape on any line a file can hold (bytes read in the ANSI code page, as the loader
// reads them), and the escape/unescape round trip on the same text.
#include "fuzz_check.h"
#include "platform/platform.h"
#include "xml/xml_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Text text = platform::FromAnsi(fuzz::Bytes(data, size));

    Text unescaped;
    if (fuzz::Succeeds([&] { unescaped = XmlUnescape(text); })) {
        // Every escape is longer than the character it stands for.
        FUZZ_CHECK(unescaped.size() <= text.size());
    }

    // What XmlEscape writes reads back as the same text, without an error.
    Text escaped;
    if (!fuzz::HoldsCrLfMarker(text) && fuzz::Succeeds([&] { escaped = XmlEscape(text); })) {
        FUZZ_CHECK(escaped.size() <= 32767);
        FUZZ_CHECK(XmlUnescape(escaped) == text);
    }
    return 0;
}
