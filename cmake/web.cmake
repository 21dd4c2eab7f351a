# The libraries of the browser build. scripts/build-web.sh builds them static into TAVRIK_WEB_DEPS/prefix
# from Debian's source packages and unpacks the sources compiled here (Dear ImGui, the stb headers,
# SDL_mixer's GUS-patch MIDI player) into TAVRIK_WEB_DEPS/src.
set(TAVRIK_WEB_DEPS "" CACHE PATH "The browser build's libraries (build-web/deps)")
if(NOT TAVRIK_WEB_DEPS OR NOT EXISTS ${TAVRIK_WEB_DEPS}/prefix)
  message(FATAL_ERROR "The browser build is made by scripts/build-web.sh, which gives TAVRIK_WEB_DEPS")
endif()
enable_language(C)
set(web_prefix ${TAVRIK_WEB_DEPS}/prefix)
set(web_src ${TAVRIK_WEB_DEPS}/src)
set(ENV{PKG_CONFIG_PATH} ${web_prefix}/lib/pkgconfig)
set(ENV{PKG_CONFIG_LIBDIR} ${web_prefix}/lib/pkgconfig)

# A static library of the prefix as the target the desktop build gets from pkg-config.
function(tavrik_web_library name module)
  pkg_check_modules(${name}_WEB REQUIRED ${module})
  add_library(tavrik_web_${name} INTERFACE)
  target_include_directories(tavrik_web_${name} INTERFACE ${${name}_WEB_STATIC_INCLUDE_DIRS})
  target_link_directories(tavrik_web_${name} INTERFACE ${${name}_WEB_STATIC_LIBRARY_DIRS})
  target_link_libraries(tavrik_web_${name} INTERFACE ${${name}_WEB_STATIC_LIBRARIES})
  add_library(PkgConfig::${name} ALIAS tavrik_web_${name})
  set(${name}_INCLUDE_DIRS ${${name}_WEB_STATIC_INCLUDE_DIRS} PARENT_SCOPE)
endfunction()
tavrik_web_library(SDL2 sdl2)
# (SDL_image's CMake build writes no .pc file.)
add_library(tavrik_web_SDL2_IMAGE INTERFACE)
target_link_libraries(tavrik_web_SDL2_IMAGE INTERFACE ${web_prefix}/lib/libSDL2_image.a tavrik_web_SDL2)
add_library(PkgConfig::SDL2_IMAGE ALIAS tavrik_web_SDL2_IMAGE)
tavrik_web_library(FREETYPE freetype2)
tavrik_web_library(SNDFILE sndfile)
# (libsndfile's own .pc names its codecs only as private requirements.)
foreach(codec FLAC vorbisenc vorbisfile vorbis ogg opus)
  target_link_libraries(tavrik_web_SNDFILE INTERFACE ${web_prefix}/lib/lib${codec}.a)
endforeach()
target_link_libraries(tavrik_web_SDL2_IMAGE INTERFACE ${web_prefix}/lib/libpng16.a ${web_prefix}/lib/libjpeg.a
                                                       ${web_prefix}/lib/libz.a)

add_library(tavrik_imgui STATIC
  ${web_src}/imgui/imgui.cpp
  ${web_src}/imgui/imgui_draw.cpp
  ${web_src}/imgui/imgui_tables.cpp
  ${web_src}/imgui/imgui_widgets.cpp
  ${web_src}/imgui/backends/imgui_impl_sdl.cpp
  ${web_src}/imgui/backends/imgui_impl_sdlrenderer.cpp)
target_include_directories(tavrik_imgui PUBLIC ${web_src}/imgui ${web_src}/imgui/backends)
target_compile_options(tavrik_imgui PRIVATE -w)
target_link_libraries(tavrik_imgui PUBLIC tavrik_web_SDL2)
add_library(PkgConfig::IMGUI ALIAS tavrik_imgui)

# (Debian's libstb is the headers compiled once: so is it here.)
file(WRITE ${CMAKE_BINARY_DIR}/stb_image.c "#define STB_IMAGE_IMPLEMENTATION\n#include <stb_image.h>\n")
add_library(tavrik_web_stb STATIC ${CMAKE_BINARY_DIR}/stb_image.c)
target_include_directories(tavrik_web_stb PUBLIC ${web_src}/libstb)
target_compile_options(tavrik_web_stb PRIVATE -w)
add_library(PkgConfig::STB ALIAS tavrik_web_stb)

# The MIDI synthesiser: SDL_mixer's GUS-patch player, driven whole-song by the platform's MIDI stream.
set(timidity ${web_src}/libsdl2-mixer/src/codecs/timidity)
add_library(tavrik_timidity STATIC
  ${timidity}/common.c ${timidity}/instrum.c ${timidity}/mix.c ${timidity}/output.c ${timidity}/playmidi.c
  ${timidity}/readmidi.c ${timidity}/resample.c ${timidity}/tables.c ${timidity}/timidity.c
  ${web_src}/libsdl2-mixer/src/utils.c)
target_include_directories(tavrik_timidity PUBLIC ${timidity})
target_compile_options(tavrik_timidity PRIVATE -w)
target_link_libraries(tavrik_timidity PUBLIC tavrik_web_SDL2)

# No fontconfig in a browser: the faces are the files packed with the game.
add_library(tavrik_web_none INTERFACE)
add_library(PkgConfig::FONTCONFIG ALIAS tavrik_web_none)

# The compiler reports a script's errors by exception.
add_compile_options(-fexceptions)
# The player's loop runs as on the desktop and sleeps between frames: Asyncify gives the browser back
# its thread while it sleeps. The page keeps the player's files in IndexedDB (IDBFS).
set(TAVRIK_WEB_LINK_OPTIONS
  -fexceptions -sASYNCIFY=1 -sASYNCIFY_STACK_SIZE=262144 -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=134217728
  -sTOTAL_STACK=5242880 -sFORCE_FILESYSTEM=1 -sEXIT_RUNTIME=1
  "-sEXPORTED_RUNTIME_METHODS=['FS','addRunDependency','removeRunDependency']"
  --js-library ${CMAKE_CURRENT_LIST_DIR}/web/sdl_library.js "-sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=['tavrik_sdl_needs']")
# More link options, such as -sASSERTIONS=1 --profiling-funcs for finding a fault.
set(TAVRIK_WEB_LINK_EXTRA "" CACHE STRING "More link options of the browser build")
list(APPEND TAVRIK_WEB_LINK_OPTIONS ${TAVRIK_WEB_LINK_EXTRA})
add_compile_options("$<$<COMPILE_LANGUAGE:CXX>:SHELL:-include ${CMAKE_CURRENT_LIST_DIR}/web/libcxx_compat.h>")
