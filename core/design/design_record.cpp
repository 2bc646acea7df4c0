#include "design/design_record.h"

#include <cstring>

namespace tanvex {

void ParamSlot::setText(const std::string& s) {
    std::size_t n = s.size() < sizeof(text) - 1 ? s.size() : sizeof(text) - 1;
    std::memcpy(text, s.data(), n);
    text[n] = '\0';
}

} // namespace tanvex

namespace tanvex {

std::string designName(const Design& design) {
    return design.record[kSlotName].str();
}

void setDesignName(Design& design, const std::string& name) {
    design.record[kSlotName].setText(name);
}

void completeSettingsString(DesignRecord& record) {
    std::string s = record[kSlotSettings].str();
    std::string def = kDefaultSettings;
    if (s.size() < def.size()) s += def.substr(s.size());
    record[kSlotSettings].setText(s);
}

bool isDefaultName(const std::string& name) {
    return name == "default" || name == "DEFAULT";
}

bool isSaved(const DesignRecord& record) {
    return record[kSlotStatus].text[9] != 0;
}

void setSaved(DesignRecord& record, bool saved) {
    record[kSlotStatus].text[9] = saved ? '1' : 0;
}

} // namespace tanvex
