// The SPICE converter's own reader, node pass and deck writer.
#include "spice/entry_reader.h"
#include "spice/spice_converter.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

using namespace tanvex::spice;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::vector<tanvex::NetEntry> entries;
    if (readEntries(in, entries) != ReadStatus::Ok) return 0;
    NetworkPlan plan;
    std::string message;
    if (!planNetwork(entries, plan, message)) return 0;
    for (Domain d : {Domain::Frequency, Domain::Transient, Domain::Harmonic}) {
        ConvertOptions options;
        options.name = "fuzz";
        options.domain = d;
        convert(entries, options);
    }
    return 0;
}
