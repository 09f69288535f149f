# The asset generator's encoders and models: plain C++, built natively for their tests.
set(asset_generator_dir ${VEXA_ROOT}/tools/AssetGenerator)
add_library(vexa_asset_generator STATIC
    ${asset_generator_dir}/Geometry.cpp
    ${asset_generator_dir}/Writers.cpp
    ${asset_generator_dir}/Models.cpp
    ${asset_generator_dir}/Assets.cpp)
target_include_directories(vexa_asset_generator PUBLIC ${VEXA_ROOT})
