// The holder of the precompiled headers (cmake/precompiled.cmake) needs one file to compile.
