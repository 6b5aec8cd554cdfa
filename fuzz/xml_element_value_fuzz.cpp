// XmlElementValue on any line a file can hold, and on the line Save writes for the same text.
#include "fuzz_check.h"
#include "platform/platform.h"
#include "xml/xml_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const Text line = platform::FromAnsi(fuzz::Bytes(data, size));

    Text value;
    if (fuzz::Succeeds([&] { value = XmlElementValue(line); })) {
        // The value is read from part of the line and only ever shrinks when unescaped.
        FUZZ_CHECK(value.size() <= line.size());
    }

    // The same text as a value: an element line as Save writes it reads back unchanged while
    // its closing tag stands within the 16-bit positions.
    Text escaped;
    if (!fuzz::HoldsCrLfMarker(line) && fuzz::Succeeds([&] { escaped = XmlEscape(line); })) {
        const Text element = u"<Description>" + escaped + u"</Description>";
        if (element.find(u"</") + 1 <= 32767) {
            FUZZ_CHECK(XmlElementValue(element) == line);
        } else {
            FUZZ_CHECK(!fuzz::Succeeds([&] { XmlElementValue(element); }));
        }
    }
    return 0;
}
