// The Linux adapter tests' program. Started with HOOK_SWITCHES_CHILD set it
// is no test run but the controller some tests kill in the middle of a lock
// (hook_switches_test.cpp): it switches, tells its parent, waits.
#include <gtest/gtest.h>

#include <cstdlib>

int RunSwitchesChild(const char* what);

int main(int argc, char** argv) {
    if (const char* what = std::getenv("HOOK_SWITCHES_CHILD")) return RunSwitchesChild(what);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
