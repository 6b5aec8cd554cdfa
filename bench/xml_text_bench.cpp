// XmlUnescape of lines full of references, at three lengths, beside a decoder of the same
// references written the simplest way; the per-character times show whether it stays linear.
#include <benchmark/benchmark.h>

#include "core/text.h"
#include "ratio_summary.h"
#include "xml/xml_text.h"

namespace {

// A line of `length` characters: "&#0233;" references, the rest plain letters.
Text ReferenceLine(size_t length) {
    Text line;
    while (line.size() + 7 <= length) line += u"&#0233;";
    line.append(length - line.size(), u'a');
    return line;
}

// One pass over the line that decodes each "&#digits;" to the code page character, the
// simplest way; only the well-formed references of ReferenceLine are understood.
Text DecodeSimply(TextView line) {
    Text out;
    out.reserve(line.size());
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == u'&' && i + 1 < line.size() && line[i + 1] == u'#') {
            int code = 0;
            size_t j = i + 2;
            for (; j < line.size() && line[j] >= u'0' && line[j] <= u'9'; ++j) code = code * 10 + (line[j] - u'0');
            out.push_back(static_cast<char16_t>(code));  // Windows-1252 matches Latin-1 here
            i = j;
        } else {
            out.push_back(line[i]);
        }
    }
    return out;
}

void Unescape(benchmark::State& state) {
    const Text line = ReferenceLine(static_cast<size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(XmlUnescape(line));
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetComplexityN(state.range(0));
}

void SimpleDecode(benchmark::State& state) {
    const Text line = ReferenceLine(static_cast<size_t>(state.range(0)));
    if (DecodeSimply(line) != XmlUnescape(line)) state.SkipWithError("the simple decoder reads the line otherwise");
    for (auto _ : state) benchmark::DoNotOptimize(DecodeSimply(line));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(Unescape)->Arg(8000)->Arg(16000)->Arg(32000)->Unit(benchmark::kMicrosecond)->UseRealTime()->Complexity(benchmark::oN);
BENCHMARK(SimpleDecode)->Arg(8000)->Arg(16000)->Arg(32000)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Per character, the longer lines must cost what the short one does: linear time.
const bool kRatios =
    AddRatio({"XmlUnescape 8k / simple decode 8k", "Unescape/8000/real_time", 1, "SimpleDecode/8000/real_time", 1}) &&
    AddRatio({"XmlUnescape 32k / simple decode 32k", "Unescape/32000/real_time", 1, "SimpleDecode/32000/real_time", 1}) &&
    AddRatio({"XmlUnescape per char: 16k / 8k", "Unescape/16000/real_time", 16000, "Unescape/8000/real_time", 8000, 1.5}) &&
    AddRatio({"XmlUnescape per char: 32k / 8k", "Unescape/32000/real_time", 32000, "Unescape/8000/real_time", 8000, 1.5});

}  // namespace
