# The optimiser against meshoptimizer (Debian's libmeshoptimizer-dev, a benchmark dependency
# only), on synthetic meshes and the demo's own models from the asset generator's sources.
# Only in a build without sanitizers (bench/optimizer/run.sh makes a Release one): timed under
# the sanitizers, the figures would mean nothing.
if(NOT VEXA_SANITIZE)
    find_library(VEXA_MESHOPTIMIZER_LIBRARY meshoptimizer)
    find_path(VEXA_MESHOPTIMIZER_INCLUDE meshoptimizer.h)
    if(VEXA_MESHOPTIMIZER_LIBRARY AND VEXA_MESHOPTIMIZER_INCLUDE)
        set(generator ${VEXA_ROOT}/tools/AssetGenerator)
        add_executable(optimizer_native_bench
            ${VEXA_ROOT}/bench/optimizer/NativeBench.cpp
            ${generator}/Geometry.cpp ${generator}/Models.cpp ${generator}/Writers.cpp)
        target_include_directories(optimizer_native_bench PRIVATE ${VEXA_ROOT}
                                   ${VEXA_MESHOPTIMIZER_INCLUDE})
        target_link_libraries(optimizer_native_bench PRIVATE vexa_testkit vexa_vertex_cache
                              ${VEXA_MESHOPTIMIZER_LIBRARY})
    else()
        message(STATUS "libmeshoptimizer-dev not found: no optimizer_native_bench")
    endif()
endif()
