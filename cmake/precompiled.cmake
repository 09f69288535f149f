# Precompiled headers. The Windows, Direct3D 9, D3DX and DirectInput headers (and GoogleTest's,
# for the tests) are most of each file's compile time; each set is compiled once, in a holder
# target of its own, and every target of its kind reuses it. Portable code gets them too: the
# native build compiles it without them, so a missing include still shows there.
set(vexa_platform_headers <windows.h> <d3d9.h> <d3dx9.h> <dinput.h>
                          <algorithm> <cstdint> <cstring> <string> <vector>)
add_library(vexa_pch_product OBJECT ${CMAKE_CURRENT_LIST_DIR}/precompiled.cpp)
target_precompile_headers(vexa_pch_product PRIVATE ${vexa_platform_headers})

# vexa_use_precompiled(<product|tests> <target>...)
function(vexa_use_precompiled kind)
    foreach(target ${ARGN})
        target_precompile_headers(${target} REUSE_FROM vexa_pch_${kind})
    endforeach()
endfunction()
