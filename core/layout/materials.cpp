#include "layout/materials.h"

#include "coil/coil_formulas.h"
#include "design/text_io.h"

namespace tanvex::layout {

int MaterialMenu::defaultIndex() const {
    for (std::size_t i = 0; i < materials.size(); ++i)
        if (!materials[i].separator()) return static_cast<int>(i);
    return -1;
}

int MaterialMenu::find(const std::string& five) const {
    std::string key = five.substr(0, 5);
    if (key.empty()) return -1;
    for (std::size_t i = 0; i < materials.size(); ++i) {
        const Material& m = materials[i];
        if (m.separator()) continue;
        if (m.name.substr(0, 5) == key) return static_cast<int>(i);
    }
    return -1;
}

bool readMaterialMenu(const std::string& path, MaterialMenu& menu) {
    std::vector<std::string> lines;
    if (readTextLines(path, lines) != ReadStatus::kOk) return false;
    MaterialMenu m;
    m.path = path;
    for (const std::string& line : lines) {
        if (static_cast<int>(m.materials.size()) >= kMaxMaterials) break;
        if (line.empty()) continue;
        Material mat;
        mat.name = line.substr(0, 37);
        while (!mat.name.empty() && mat.name.back() == ' ') mat.name.pop_back();
        mat.k = numberAt(line, 39);
        mat.thickness = numberAt(line, 47);
        m.materials.push_back(mat);
    }
    menu = std::move(m);
    return true;
}

void LayoutDefaults::setGauge(int awg) {
    gauge = awg;
    leadLength = awg > 0 ? 3.0 * coil::awgDiameter(awg) * 1000.0 : 0.0;
}

JobFile readJobFile(const std::string& path) {
    JobFile job;
    std::vector<std::string> lines;
    if (readTextLines(path, lines) != ReadStatus::kOk) return job;
    job.existed = true;
    if (lines.size() > 0) job.directory = lines[0];
    if (lines.size() > 1) job.name = lines[1];
    if (lines.size() > 2) job.cadPath = lines[2];
    return job;
}

bool writeJobFile(const std::string& path, const JobFile& job) {
    AtomicTextFile f(path);
    f.line(job.directory);
    f.line(job.name);
    f.line(job.cadPath);
    return f.commit();
}

} // namespace tanvex::layout
