# One build step of brelvix_embed, run as cmake -P: converts INPUT into
# SOURCE (left untouched when its text would not change), writes its size
# into SIZE_HEADER (likewise) and touches STAMP. The stamp is what the build
# tool compares with the input, so that an input touched without a change
# runs this step once and recompiles nothing, with Make as with Ninja.
#   -DTOOL= -DINPUT= -DSOURCE= -DSIZE_HEADER= -DNAME= -DTEMPLATE= -DSIZE=
#   -DENDIAN= -DFORMAT= -DSTAMP=

# The size first: the source checks that it holds as many bytes, so that a
# file changed in between fails the build instead of giving two sizes.
file(SIZE "${INPUT}" size)
# The tool's output (the name of a file made, its warnings) is the build's;
# the user's settings file has no say in a build.
execute_process(
  COMMAND "${TOOL}" to-text --no-settings --strict --update -O "${SOURCE}" -n "${NAME}"
          --template-file "${TEMPLATE}" -s ${SIZE} -e ${ENDIAN} "--format=${FORMAT}" -- "${INPUT}"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "brelvix-cli could not embed ${INPUT} (${status})")
endif()
file(CONFIGURE OUTPUT "${SIZE_HEADER}" CONTENT "#define BRELVIX_SIZE_${NAME} ${size}\n")
file(TOUCH "${STAMP}")
