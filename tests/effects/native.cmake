# The effect compiler's front end and writer, natively; shaders through a stand-in assembler
# (FakeAssembler.cpp, linked into each program since the compiler's library calls it).
set(effect_tests_dir ${VEXA_ROOT}/tests/effects)
add_library(vexa_fx_binary_reader STATIC ${effect_tests_dir}/BinaryReader.cpp)
target_include_directories(vexa_fx_binary_reader PUBLIC ${VEXA_ROOT})

add_library(vexa_effect_test_support STATIC ${effect_tests_dir}/CompilerTestSupport.cpp)
target_link_libraries(vexa_effect_test_support PUBLIC vexa_fx_binary_reader vexa_effect_front gtest)

vexa_native_test(effect_front_tests
    SOURCES ${effect_tests_dir}/FrontEndTest.cpp ${effect_tests_dir}/FakeAssembler.cpp
    LIBRARIES vexa_effect_test_support)

# FX source in, a binary or an error naming a line out: never a crash.
vexa_fuzz_target(effect_front_fuzz
    CORPUS ${effect_tests_dir}/corpus
    SOURCES ${effect_tests_dir}/FxFuzz.cpp ${effect_tests_dir}/FakeAssembler.cpp
    LIBRARIES vexa_fx_binary_reader vexa_effect_front)
