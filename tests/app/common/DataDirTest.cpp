#include "app/common/DataDir.h"

#include <gtest/gtest.h>

TEST(DataDir, BesideTheExecutablesFolder) {
    struct Case {
        const char* exe;
        const char* relative;
        const char* expected;
    };
    const Case cases[] = {
        {"/opt/halcyon-0.1.0/halcyon", "data/", "/opt/halcyon-0.1.0/data/"},
        {"/halcyon", "data/", "/data/"},
        // Names are kept as they are: no normalisation of dots or spaces.
        {"/home/a b/x.y/../halcyon-capture", "data/", "/home/a b/x.y/../data/"},
        {"/opt/h/halcyon", "", "/opt/h/"},
        {"halcyon", "data/", "data/"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(dataDirBeside(c.exe, c.relative), c.expected) << c.exe;
}
