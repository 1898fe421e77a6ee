#include "card_init/SplitFirst.h"

#include <gtest/gtest.h>

TEST(SplitFirst, TakesItemsLeftToRight) {
    std::string list = "5,6", item;
    SplitFirst(list, ",", item);
    EXPECT_EQ(item, "5");
    EXPECT_EQ(list, "6");
    SplitFirst(list, ",", item);
    EXPECT_EQ(item, "6");
    EXPECT_EQ(list, "");
    SplitFirst(list, ",", item);
    EXPECT_EQ(item, "");
}

TEST(SplitFirst, EmptyItemsComeBackEmpty) {
    std::string list = ",a,,b", item;
    SplitFirst(list, ",", item);
    EXPECT_EQ(item, "");
    EXPECT_EQ(list, "a,,b");
    SplitFirst(list, ",", item);
    SplitFirst(list, ",", item);
    EXPECT_EQ(item, "");
    EXPECT_EQ(list, "b");
}

TEST(SplitFirst, DropsExactlyOneCharacterAtTheDelimiter) {
    std::string list = "12;;34", item;
    SplitFirst(list, ";;", item);
    EXPECT_EQ(item, "12");
    EXPECT_EQ(list, ";34");
}
