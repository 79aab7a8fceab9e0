# quelvin_assets: the badge pictures from assets/*.png, compiled into the program as byte
# arrays, so the exe needs no file beside it and the host tests inspect the very bytes the
# Windows build carries. tools/make_badges.py draws the pictures; the build only embeds.
file(GLOB quelvin_asset_pngs CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/assets/*.png)
list(SORT quelvin_asset_pngs)

set(quelvin_asset_sources)
foreach(png ${quelvin_asset_pngs})
  # assets/hotkeys_on.png becomes quelvin::kHotkeysOnPng (and kHotkeysOnPngSize).
  get_filename_component(stem ${png} NAME_WE)
  string(REGEX MATCHALL "[A-Za-z0-9]+" words ${stem})
  set(symbol k)
  foreach(word ${words} png)
    string(SUBSTRING ${word} 0 1 head)
    string(SUBSTRING ${word} 1 -1 tail)
    string(TOUPPER ${head} head)
    string(APPEND symbol ${head}${tail})
  endforeach()

  set(cpp ${PROJECT_BINARY_DIR}/assets/${stem}_png.cpp)
  add_custom_command(
    OUTPUT ${cpp}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${png} -DOUTPUT=${cpp} -DSYMBOL=${symbol}
            -P ${PROJECT_SOURCE_DIR}/cmake/embed_file.cmake
    DEPENDS ${png} ${PROJECT_SOURCE_DIR}/cmake/embed_file.cmake
    COMMENT "Embedding assets/${stem}.png"
    VERBATIM)
  list(APPEND quelvin_asset_sources ${cpp})
endforeach()

add_library(quelvin_assets STATIC
  ${PROJECT_SOURCE_DIR}/src/ui/badge_pictures.cpp
  ${quelvin_asset_sources})
target_link_libraries(quelvin_assets PUBLIC quelvin_platform)
quelvin_warnings(quelvin_assets)
