# SPDX-License-Identifier: GPL-3.0-or-later
# In a sanitizer build (TRUNDLE_SANITIZE) every test runs with the options below, the end-to-end
# scripts too: they pass their environment on to the program they start.
#
# ASan: stop at the first error; leaks are checked at exit; stack use after return and the order
#   of global initialisers are checked as well.
# LSan: leaks inside system libraries (not ours) are suppressed by lsan.supp.
# UBSan: the build already makes every check fatal (-fno-sanitize-recover); print where it happened.
# Libraries stay loaded to the end (keepmodules.cpp, preloaded), so that every frame of a leak
#   names its library; ASan then no longer comes first in the list of libraries, which it would
#   otherwise refuse (verify_asan_link_order).
if(TRUNDLE_SANITIZE)
    add_library(trundle_keep_modules MODULE ${CMAKE_CURRENT_LIST_DIR}/keepmodules.cpp)
    target_compile_options(trundle_keep_modules PRIVATE -fno-sanitize=all)
    target_link_options(trundle_keep_modules PRIVATE -fno-sanitize=all -nostdlib)
endif()
set(TRUNDLE_SANITIZER_ENVIRONMENT
    "LD_PRELOAD=$<TARGET_FILE:trundle_keep_modules>"
    "ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:color=never:verify_asan_link_order=0"
    "LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_LIST_DIR}/lsan.supp:print_suppressions=0"
    "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:report_error_type=1:color=never")

function(trundle_apply_sanitizer_environment)
    get_property(tests DIRECTORY PROPERTY TESTS)
    foreach(test IN LISTS tests)
        set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT ${TRUNDLE_SANITIZER_ENVIRONMENT})
    endforeach()
endfunction()

# Called by the functions that register tests. The options are added once per folder, at the end
# of that folder's CMakeLists.txt, so that they survive a later set_tests_properties(ENVIRONMENT).
function(trundle_sanitize_tests_in_this_directory)
    if(NOT TRUNDLE_SANITIZE)
        return()
    endif()
    get_property(scheduled DIRECTORY PROPERTY TRUNDLE_SANITIZER_ENVIRONMENT_SCHEDULED)
    if(NOT scheduled)
        set_property(DIRECTORY PROPERTY TRUNDLE_SANITIZER_ENVIRONMENT_SCHEDULED TRUE)
        cmake_language(DEFER CALL trundle_apply_sanitizer_environment)
    endif()
endfunction()
