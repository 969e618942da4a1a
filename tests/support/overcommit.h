#pragma once
// Whether this machine grants any allocation, however large (vm.overcommit_memory = 1): there a
// test that expects an impossible allocation to fail must skip, or it would fault or be killed.

#include <cstdio>

inline bool overcommitIsUnlimited()
{
    int mode = 0;  // no such setting (not Linux): allocations can fail
    if (FILE* setting = fopen("/proc/sys/vm/overcommit_memory", "r")) {
        if (fscanf(setting, "%d", &mode) != 1)
            mode = 0;
        fclose(setting);
    }
    return mode == 1;
}
