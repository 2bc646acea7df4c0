// An analysis snapshot (ANAL.dat) decoded as recall decodes it; an accepted
// one is encoded again and must decode to the same table.
#include "analysis/snapshot.h"
#include "design/notation.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

using namespace tanvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    auto table = std::make_unique<analysis::ResultsTable>();
    analysis::SnapshotFlags flags{};
    if (!analysis::decodeSnapshot(bytes, *table, flags).empty()) return 0;
    const std::string again = analysis::encodeSnapshot(*table, Notation{}, flags);
    auto back = std::make_unique<analysis::ResultsTable>();
    analysis::SnapshotFlags flagsBack{};
    if (!analysis::decodeSnapshot(again, *back, flagsBack).empty()) __builtin_trap();
    const int n = table->pointCount();
    if (back->pointCount() != n ||
        std::memcmp(back->records.data(), table->records.data(),
                    sizeof(analysis::ResultRecord) * static_cast<std::size_t>(n + 1)) != 0)
        __builtin_trap();
    return 0;
}
