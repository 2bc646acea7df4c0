#include "ui/number_list.h"

#include <gtest/gtest.h>

using namespace tanvex::ui;

TEST(NumberList, SlashKeepsAValueAndLettersAreSetAside) {
    std::vector<double> v = {0, 9, 9, 9, 9};
    EXPECT_EQ(parseNumberList("1.5,/3e2", v), 3);
    EXPECT_EQ(v[1], 1.5);
    EXPECT_EQ(v[2], 9);
    EXPECT_EQ(v[3], 300);
    EXPECT_EQ(v[4], 9);

    std::string letters;
    v.assign(5, 0);
    EXPECT_EQ(parseNumberList("10k,2.2E-3?,x", v, &letters), 3);
    EXPECT_EQ(letters, "k?x");
    EXPECT_EQ(v[1], 10);
    EXPECT_DOUBLE_EQ(v[2], 2.2e-3);
    EXPECT_EQ(v[3], 0);

    // The window position file's lines: four numbers, then a short line.
    EXPECT_EQ(parseNumberList("5,5,640,480", v), 4);
    EXPECT_EQ(v[3], 640);
    EXPECT_EQ(parseNumberList("12,40,300", v), 3);
    EXPECT_EQ(parseNumberList("", v), 0);
    EXPECT_EQ(parseNumberList("   ", v), 0);
    EXPECT_EQ(parseNumberList("7", v), 1);
    EXPECT_EQ(parseNumberList("4,2,", v), 3); // an empty last field reads as 0
    EXPECT_EQ(v[3], 0);
    EXPECT_EQ(parseNumberList("-4.5/", v), 2);
    EXPECT_EQ(v[1], 4); // kept by the '/'

    // A fixed array is never written past its end.
    double a[3] = {0, 0, 0};
    EXPECT_EQ(parseNumberList("1,2,3,4,5", a, 3), 5);
    EXPECT_EQ(a[1], 1);
    EXPECT_EQ(a[2], 2);
    std::vector<double> grow;
    EXPECT_EQ(parseNumberList("1,2,3", grow), 3);
    EXPECT_EQ(grow.size(), 4u);
}

TEST(NumberList, SortCarriesCompanions) {
    double keys[] = {0, 3.0, -1.0, 2.0, 2.0, 10.0};
    double c1[] = {0, 30, -10, 20, 21, 100};
    int c2[] = {0, 3, -1, 2, 22, 10};
    sortWithCompanions(5, keys, c1, c2);
    EXPECT_EQ(keys[1], -1.0);
    EXPECT_EQ(keys[5], 10.0);
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(c1[i], keys[i] * 10 + (c2[i] == 22 ? 1 : 0));
    EXPECT_EQ(c2[2], 2); // equal keys keep their order
    EXPECT_EQ(c2[3], 22);
    EXPECT_EQ(keys[0], 0.0); // index 0 untouched
    double one[] = {0, 5};
    sortWithCompanions(1, one);
    sortWithCompanions(0, one);
    EXPECT_EQ(one[1], 5);
}
