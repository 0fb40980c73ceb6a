# The picture and icons ship in their own formats (ui/assets, made by tools/assets). Decoding them
# at every start costs more than anything else the first frame needs, so the build turns them
# into raw pixels (tools/assets/raw_pixels.py: width, height, then rows of blue, green, red and
# alpha from the top) that a toolkit draws from where they lie in the executable. The JPEG is
# decoded by djpeg, with the same libjpeg-turbo the toolkits would use, so the pixels are the ones
# the toolkits would have drawn.

find_program(BRELUNDA_DJPEG djpeg REQUIRED DOC "djpeg, from Debian's libjpeg-turbo-progs")
set(brelunda_raw_pixels "${CMAKE_CURRENT_LIST_DIR}/../tools/assets/raw_pixels.py")

# brelunda_raw_pixels(<out-var>)
# Adds the rules that write background.pixels, lightbulb-32.pixels, lightbulb-16.pixels,
# tree-32.pixels and tree-16.pixels in the current binary directory; sets <out-var> to their paths.
function(brelunda_raw_pixels out_var)
    set(assets "${PROJECT_SOURCE_DIR}/ui/assets")
    set(dir "${CMAKE_CURRENT_BINARY_DIR}")
    add_custom_command(
        OUTPUT "${dir}/background.pixels"
        COMMAND "${BRELUNDA_DJPEG}" -pnm -outfile "${dir}/background.ppm" "${assets}/background.jpg"
        COMMAND "${Python3_EXECUTABLE}" "${brelunda_raw_pixels}" picture "${dir}/background.ppm"
                "${dir}/background.pixels"
        MAIN_DEPENDENCY "${assets}/background.jpg"
        DEPENDS "${brelunda_raw_pixels}"
        VERBATIM)
    set(outputs "${dir}/background.pixels")
    # Each icon file holds its 32-pixel image first, then its 16-pixel one.
    foreach(icon lightbulb tree)
        foreach(image 0 1)
            math(EXPR size "32 >> ${image}")
            set(output "${dir}/${icon}-${size}.pixels")
            add_custom_command(
                OUTPUT "${output}"
                COMMAND "${Python3_EXECUTABLE}" "${brelunda_raw_pixels}" icon "${assets}/${icon}.ico" ${image}
                        "${output}"
                MAIN_DEPENDENCY "${assets}/${icon}.ico"
                DEPENDS "${brelunda_raw_pixels}"
                VERBATIM)
            list(APPEND outputs "${output}")
        endforeach()
    endforeach()
    set(${out_var} ${outputs} PARENT_SCOPE)
endfunction()
