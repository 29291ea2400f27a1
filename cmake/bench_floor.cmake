# The floor program of the benchmarks: SDL2 and GL alone, nothing of the game.
add_executable(gloam_floor "${CMAKE_SOURCE_DIR}/bench/floor/floor.cpp")
target_link_libraries(gloam_floor PRIVATE SDL2::SDL2 OpenGL::GL)
