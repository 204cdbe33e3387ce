#include <gtest/gtest.h>

#include <cstdlib>

// Settings come from the test schema and live in memory: the user's own IBus configuration
// never reaches these tests. GIO reads these once, so they are set before anything runs.
int main(int argc, char** argv) {
    setenv("GSETTINGS_SCHEMA_DIR", TEST_SCHEMA_DIR, 1);
    setenv("GSETTINGS_BACKEND", "memory", 1);
    unsetenv("XMODIFIERS");
    unsetenv("QT_IM_MODULE");
    unsetenv("GTK_IM_MODULE");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
