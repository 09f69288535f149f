# The vertex-cache optimiser, pure computation: tested natively, without any Direct3D.
# Test meshes and the cache-miss analysis come from testkit/, shared with the benchmarks.

vexa_native_test(vertexcache_tests
    SOURCES ${VEXA_ROOT}/tests/vertexcache/VertexCacheTest.cpp
    LIBRARIES vexa_vertex_cache vexa_testkit)
