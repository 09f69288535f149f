# The vertex-cache optimiser, pure computation: tested natively, without any Direct3D.
# Test meshes and the cache-miss analysis are shared with the optimiser's benchmarks.
add_library(vertexcache_support STATIC ${VEXA_ROOT}/tests/vertexcache/MeshMaker.cpp
            ${VEXA_ROOT}/tests/vertexcache/CacheAnalysis.cpp)
target_include_directories(vertexcache_support PUBLIC ${VEXA_ROOT})

vexa_native_test(vertexcache_tests
    SOURCES ${VEXA_ROOT}/tests/vertexcache/VertexCacheTest.cpp
    LIBRARIES vexa_vertex_cache vertexcache_support)
