#include "design/design_record.h"

#include <cstring>

namespace tanvex {

void ParamSlot::setText(const std::string& s) {
    std::size_t n = s.size() < sizeof(text) - 1 ? s.size() : sizeof(text) - 1;
    std::memcpy(text, s.data(), n);
    text[n] = '\0';
}

} // namespace tanvex
