# The same library for the native tests, fuzz tools and benchmarks (testkit/CMakeLists.txt).
add_library(vexa_testkit STATIC ${VEXA_ROOT}/testkit/MeshMaker.cpp ${VEXA_ROOT}/testkit/CacheAnalysis.cpp
            ${VEXA_ROOT}/testkit/SdkMeshWriter.cpp)
target_include_directories(vexa_testkit PUBLIC ${VEXA_ROOT})
