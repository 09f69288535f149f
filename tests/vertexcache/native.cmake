# The vertex-cache optimiser, pure computation: tested natively, without any Direct3D.
vexa_native_test(vertexcache_tests
    SOURCES ${VEXA_ROOT}/tests/vertexcache/VertexCacheTest.cpp ${VEXA_ROOT}/tests/vertexcache/MeshMaker.cpp
    LIBRARIES vexa_vertex_cache)
