# The portable parts of the graphics resources.
add_library(vexa_sdkmesh_format STATIC ${VEXA_ROOT}/Vexa2/Resources/SdkMeshFormat.cpp)
target_include_directories(vexa_sdkmesh_format PUBLIC ${VEXA_ROOT})

set(vertex_cache ${VEXA_ROOT}/Vexa2/Resources/VertexCache)
add_library(vexa_vertex_cache STATIC ${vertex_cache}.cpp ${vertex_cache}Forsyth.cpp ${vertex_cache}Grouping.cpp
            ${vertex_cache}Renumber.cpp ${vertex_cache}Tipsify.cpp)
target_include_directories(vexa_vertex_cache PUBLIC ${VEXA_ROOT})
