#include "ui/number_list.h"

#include <cctype>
#include <cstdlib>
#include <utility>

namespace tanvex::ui {

namespace {

struct Field {
    std::string text;
    bool keep = false; // ended by '/'
};

std::vector<Field> fieldsOf(const std::string& input, std::string* letters) {
    std::string text = input;
    for (char& c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if ((std::isalpha(u) && c != 'E' && c != 'e') || c == '?') {
            if (letters) *letters += c;
            c = ' ';
        }
    }
    std::vector<Field> fields;
    bool blank = true;
    for (char c : text)
        if (!std::isspace(static_cast<unsigned char>(c))) blank = false;
    if (blank) return fields;
    std::size_t start = 0;
    while (true) {
        std::size_t cut = text.find_first_of(",/", start);
        if (cut == std::string::npos) {
            fields.push_back({text.substr(start), false});
            break;
        }
        fields.push_back({text.substr(start, cut - start), text[cut] == '/'});
        start = cut + 1;
    }
    return fields;
}

double decimal(const std::string& s) {
    const char* p = s.c_str();
    char* end = nullptr;
    double v = std::strtod(p, &end);
    return end == p ? 0.0 : v;
}

} // namespace

int parseNumberList(const std::string& text, std::vector<double>& values, std::string* letters) {
    std::vector<Field> fields = fieldsOf(text, letters);
    if (values.size() < fields.size() + 1) values.resize(fields.size() + 1, 0.0);
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (!fields[i].keep) values[i + 1] = decimal(fields[i].text);
    return static_cast<int>(fields.size());
}

int parseNumberList(const std::string& text, double* values, int capacity, std::string* letters) {
    std::vector<Field> fields = fieldsOf(text, letters);
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (!fields[i].keep && static_cast<int>(i) + 1 < capacity)
            values[i + 1] = decimal(fields[i].text);
    return static_cast<int>(fields.size());
}

void sortWithCompanions(int n, double* keys, double* companion1, int* companion2) {
    bool swapped = true;
    while (swapped) {
        swapped = false;
        for (int i = 1; i < n; ++i) {
            if (keys[i] > keys[i + 1]) {
                std::swap(keys[i], keys[i + 1]);
                if (companion1) std::swap(companion1[i], companion1[i + 1]);
                if (companion2) std::swap(companion2[i], companion2[i + 1]);
                swapped = true;
            }
        }
    }
}

} // namespace tanvex::ui
