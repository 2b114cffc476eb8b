// The main of every test program. A failing test must end the program with
// an error, never stop at a system dialog, so error boxes are turned off
// before anything runs.
#include <windows.h>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
