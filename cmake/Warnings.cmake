# SPDX-License-Identifier: GPL-3.0-or-later
# Warnings for every target of the project, sanitizers on request.
add_compile_options(-Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast
                    -Wcast-align -Woverloaded-virtual -Wformat=2 -Wimplicit-fallthrough)
if(TRUNDLE_WERROR)
    add_compile_options(-Werror)
endif()
if(TRUNDLE_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
    # libstdc++'s own bounds and precondition checks (operator[], front() of an empty container):
    # they find what ASan cannot see inside a container's capacity, and do not change the ABI.
    add_compile_definitions(_GLIBCXX_ASSERTIONS)
endif()
