# The background picture ships as a JPEG (ui/assets/background.jpg, made by tools/assets). Decoding
# it at every start costs more than anything else the first frame needs, so the build decodes it
# once, with the same libjpeg-turbo the toolkits would use, into raw pixels that a toolkit can
# draw from where they lie in the executable.

find_program(BRELUNDA_DJPEG djpeg REQUIRED DOC "djpeg, from Debian's libjpeg-turbo-progs")

# brelunda_decode_picture(<out-var> [BMP])
# Adds the rule that writes background.ppm (binary PPM: "P6 <width> <height> 255", then RGB rows
# from the top) in the current binary directory, and sets <out-var> to its path. With BMP it writes
# background.bmp instead: the Windows bitmap a resource script takes as it is (BGR rows from the
# bottom, each padded to four bytes), which GDI draws without a copy.
function(brelunda_decode_picture out_var)
    cmake_parse_arguments(PARSE_ARGV 1 arg "BMP" "" "")
    if(arg_BMP)
        set(format -bmp)
        set(output "${CMAKE_CURRENT_BINARY_DIR}/background.bmp")
    else()
        set(format -pnm)
        set(output "${CMAKE_CURRENT_BINARY_DIR}/background.ppm")
    endif()
    set(source "${PROJECT_SOURCE_DIR}/ui/assets/background.jpg")
    add_custom_command(
        OUTPUT "${output}"
        COMMAND "${BRELUNDA_DJPEG}" ${format} -outfile "${output}" "${source}"
        MAIN_DEPENDENCY "${source}"
        COMMENT "Decoding the background picture"
        VERBATIM)
    set(${out_var} "${output}" PARENT_SCOPE)
endfunction()
