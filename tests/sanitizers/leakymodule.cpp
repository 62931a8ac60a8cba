// SPDX-License-Identifier: GPL-3.0-or-later
// A library that leaks one allocation, for the check that a leak in a library unloaded before exit
// still names its library (unloadedleak.cpp).
#include <cstdlib>

extern "C" {
void *leakyAllocation();
void *leakyAllocation()
{
    return std::realloc(nullptr, 128); // NOLINT(cppcoreguidelines-no-malloc): the leak to report
}
}
