# The generator's encoders and models as data, natively; the program's runs and the files loaded
# through D3DX stay under Wine (CMakeLists.txt).
vexa_native_test(assets_writer_tests
    SOURCES ${VEXA_ROOT}/tests/assets/WritersTest.cpp ${VEXA_ROOT}/tests/assets/ModelsTest.cpp
    LIBRARIES vexa_asset_generator)
