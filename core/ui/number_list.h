// The number-list parser every typed list of values goes through, and the
// neighbour-swap sort with companion arrays.
//
//   std::vector<double> v(8);          // values[1..] are the fields
//   int n = parseNumberList("1.5,/3e2", v);
//   // n == 3, v[1] == 1.5, v[2] unchanged, v[3] == 300
#pragma once

#include <string>
#include <vector>

namespace tanvex::ui {

// Letters (except E and e, kept for exponents) and '?' are taken out of
// the text into *letters; the rest is cut at ',' and '/'. A field ended by
// ',' or by the end of the text is a decimal number for values[1],
// values[2], ... (0 when it is not a number); a field ended by '/' leaves
// its value as it was. Returns the number of fields: one more than the
// separators ("1,2," has three, the last reading 0), 0 for blank text.
// values grows to hold every field; entries 1.. are used, 0 is not.
int parseNumberList(const std::string& text, std::vector<double>& values,
                    std::string* letters = nullptr);
// The same into a fixed array values[0..capacity-1]; fields past the
// array's end are counted but not stored.
int parseNumberList(const std::string& text, double* values, int capacity,
                    std::string* letters = nullptr);

// Sorts keys[1..n] ascending by swapping out-of-order neighbours until a
// pass swaps nothing, applying the same swaps to the companion arrays
// (either may be null).
void sortWithCompanions(int n, double* keys, double* companion1 = nullptr,
                        int* companion2 = nullptr);

} // namespace tanvex::ui
