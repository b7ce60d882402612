# The alarm clock rendered from its SVG at each size a notification area
# draws it, 16 to 64 pixels (100 % to 400 %), as PNG files in DIR; their
# paths in OUT. Both backends hand the tray a picture of the size it draws.
find_program(TOCKMERE_RSVG_CONVERT rsvg-convert REQUIRED)

function(tockmere_tray_pngs out dir)
  set(svg ${PROJECT_SOURCE_DIR}/data/icons/tockmere.svg)
  set(pngs)
  foreach(size 16 20 24 32 40 48 64)
    set(png ${dir}/${size}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
      COMMAND ${TOCKMERE_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${svg}
      DEPENDS ${svg}
      VERBATIM)
    list(APPEND pngs ${png})
  endforeach()
  set(${out} ${pngs} PARENT_SCOPE)
endfunction()
