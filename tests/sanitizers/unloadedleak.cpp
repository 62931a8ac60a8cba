// SPDX-License-Identifier: GPL-3.0-or-later
// Loads the library named by its argument, lets it allocate 128 bytes that nothing keeps, unloads
// it and ends: LeakSanitizer reports the leak at exit, when the library is no longer mapped unless
// dlclose keeps it (keepmodules.cpp).
#include <dlfcn.h>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: unloadedleak LIBRARY\n", stderr);
        return 2;
    }
    void *library = dlopen(argv[1], RTLD_NOW);
    if (!library) {
        std::fprintf(stderr, "cannot load %s: %s\n", argv[1], dlerror());
        return 2;
    }
    using Allocate = void *(*)();
    auto allocate = reinterpret_cast<Allocate>(dlsym(library, "leakyAllocation"));
    if (!allocate || !allocate())
        return 2;
    dlclose(library);
    return 0;
}
