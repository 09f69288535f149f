# The portable parts of the graphics resources.
add_library(vexa_sdkmesh_format STATIC ${VEXA_ROOT}/Vexa2/Resources/SdkMeshFormat.cpp)
target_include_directories(vexa_sdkmesh_format PUBLIC ${VEXA_ROOT}/Vexa2/Resources)

add_library(vexa_vertex_cache STATIC ${VEXA_ROOT}/Vexa2/Resources/VertexCache.cpp)
target_include_directories(vexa_vertex_cache PUBLIC ${VEXA_ROOT}/Vexa2/Resources)
