# The background picture ships as a JPEG (ui/assets/background.jpg, made by tools/assets). Decoding
# it at every start costs more than anything else the first frame needs, so the build decodes it
# once, with the same libjpeg-turbo the toolkits would use, into raw pixels that a toolkit can
# draw from where they lie in the executable.

find_program(BRELUNDA_DJPEG djpeg REQUIRED DOC "djpeg, from Debian's libjpeg-turbo-progs")

# brelunda_decode_picture(<out-var>)
# Adds the rule that writes background.ppm (binary PPM: "P6 <width> <height> 255", then RGB rows
# from the top) in the current binary directory, and sets <out-var> to its path.
function(brelunda_decode_picture out_var)
    set(source "${PROJECT_SOURCE_DIR}/ui/assets/background.jpg")
    set(output "${CMAKE_CURRENT_BINARY_DIR}/background.ppm")
    add_custom_command(
        OUTPUT "${output}"
        COMMAND "${BRELUNDA_DJPEG}" -pnm -outfile "${output}" "${source}"
        MAIN_DEPENDENCY "${source}"
        COMMENT "Decoding the background picture"
        VERBATIM)
    set(${out_var} "${output}" PARENT_SCOPE)
endfunction()
