// The layout program's settings: the capacitor material menu (.kdx), the
// inductor and capacitor defaults, and the job file "kdx_job.dat".
//
// A material menu line: its first character is the key that selects it, its
// first 37 characters its name (the first five identify the material in part
// descriptions), the number from column 40 the dielectric constant K and the
// number from column 48 the thickness in inches. A name starting with "-" is
// a separator. At most 30 lines are read.
#pragma once

#include <string>
#include <vector>

namespace tanvex::layout {

struct Material {
    std::string name;       // up to 37 characters
    double k = 0.0;         // dielectric constant
    double thickness = 0.0; // inches
    // Separators, and lines whose K or thickness is not positive (they could
    // not size a chip), are shown but never chosen.
    bool separator() const {
        return name.empty() || name[0] == '-' || !(k > 0.0 && thickness > 0.0);
    }
    char key() const { return name.empty() ? ' ' : name[0]; }
};

constexpr int kMaxMaterials = 30;
inline constexpr const char* kDefaultMenu = "cmenu";

struct MaterialMenu {
    std::string path; // the file it was read from
    std::vector<Material> materials;
    // Index of the first material that is not a separator; -1 when none.
    int defaultIndex() const;
    // The material whose name starts like the five characters given; -1.
    int find(const std::string& five) const;
};

// Reads a .kdx file. False when it cannot be read ("Menu file not found" is
// the caller's notice); the menu is then unchanged.
bool readMaterialMenu(const std::string& path, MaterialMenu& menu);

enum class DuplicateRule { IfNotDefined = 0, Always = 1, Never = 2 };

struct LayoutDefaults {
    int gauge = 0;         // AWG; 0 = no wire gauge set
    double formDia = 0.0;  // mils; 0 = automatic
    double lowPitch = 0.0; // fraction of closewound; <= 0 = default range
    double highPitch = 0.0;
    double leadLength = 0.0; // mils; 0 = no wire gauge set
    double chipSide = 0.0;   // mils; 0 = square chips
    DuplicateRule duplicate = DuplicateRule::IfNotDefined;
    Material material; // the selected capacitor material

    // Sets the gauge and the lead length with it (three wire diameters).
    void setGauge(int awg);
};

// The job file: the directory and name of the last design and the path
// where drawing scripts go ("" = the working directory).
struct JobFile {
    std::string directory;
    std::string name;
    std::string cadPath;
    bool existed = false; // read from a file
};
inline constexpr const char* kJobFileName = "kdx_job.dat";

JobFile readJobFile(const std::string& path);
bool writeJobFile(const std::string& path, const JobFile& job);

} // namespace tanvex::layout
