# SPDX-License-Identifier: GPL-3.0-or-later
# The hardening Debian builds its packages with (dpkg-buildflags): stack protector, fortified C
# library calls, read-only relocations bound at start. _FORTIFY_SOURCE needs an optimised build
# (a Debug build would warn on every file), and the sanitizer tree has checks of its own.
add_compile_options(-fstack-protector-strong)
if(NOT TRUNDLE_SANITIZE)
    add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
endif()
add_link_options(-Wl,-z,relro -Wl,-z,now)
