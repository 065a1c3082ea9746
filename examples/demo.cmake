# The demo: makes three sample CIF cameras, interleaves them with mvweave,
# takes the result apart with mvunweave, compares every camera with the
# original and prints the verdict; then interleaves from a later start frame.
# Run by the `demo` target:  cmake --workflow --preset demo
#
# Expects -DBIN_DIR=<folder of the programs> -DEXAMPLES_DIR=<this folder>
#         -DWORK_DIR=<where the files are written> -DEXE_SUFFIX=<.exe or empty>

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
foreach(config merge.cfg split.cfg merge_from_frame.cfg layout.cfg cameras.cfg split_paths.cfg
               side_by_side.cfg split_side_by_side.cfg)
  configure_file("${EXAMPLES_DIR}/${config}" "${WORK_DIR}/${config}" COPYONLY)
endforeach()

# Runs one program in the work folder, echoing the command line; the tools
# end with status 1 after a completed run.
function(run_step expected_status program)
  string(JOIN " " shown ${ARGN})
  message("\n$ ${program} ${shown}")
  execute_process(COMMAND "${BIN_DIR}/${program}${EXE_SUFFIX}" ${ARGN}
                  WORKING_DIRECTORY "${WORK_DIR}" RESULT_VARIABLE status)
  if(NOT status EQUAL expected_status)
    message(FATAL_ERROR "${program} ended with status ${status}, expected ${expected_status}")
  endif()
endfunction()

message("Demo folder: ${WORK_DIR}")
run_step(0 make_sample_cameras 3 25)
run_step(1 mvweave /V ./merge.cfg)
file(SIZE "${WORK_DIR}/multiview.yuv" merged_bytes)
math(EXPR merged_frames "${merged_bytes} / 152064")
message("multiview.yuv: ${merged_bytes} bytes = ${merged_frames} frames (3 cameras x 25)")

run_step(1 mvunweave /V ./split.cfg)
set(verdict "identical")
foreach(camera 0 1 2)
  file(SHA256 "${WORK_DIR}/cam${camera}.yuv" original)
  file(SHA256 "${WORK_DIR}/cam${camera}_split.yuv" returned)
  if(original STREQUAL returned)
    message("cam${camera}_split.yuv is byte for byte cam${camera}.yuv")
  else()
    message("cam${camera}_split.yuv DIFFERS from cam${camera}.yuv")
    set(verdict "DIFFERENT")
  endif()
endforeach()
message("\nRound trip (merge, then split): every camera ${verdict}.")
if(NOT verdict STREQUAL "identical")
  message(FATAL_ERROR "the round trip lost data")
endif()

# The same layout from a shared file, with a file of paths for each tool.
run_step(1 mvweave ./layout.cfg ./cameras.cfg)
run_step(1 mvunweave ./layout.cfg ./split_paths.cfg)
foreach(camera 0 1 2)
  file(SHA256 "${WORK_DIR}/cam${camera}.yuv" original)
  file(SHA256 "${WORK_DIR}/back${camera}.yuv" returned)
  if(NOT original STREQUAL returned)
    message(FATAL_ERROR "back${camera}.yuv differs from cam${camera}.yuv")
  endif()
endforeach()
message("A shared layout.cfg with cameras.cfg and split_paths.cfg: every camera identical.")

# The cameras side by side in one picture, and apart again.
run_step(1 mvweave ./side_by_side.cfg)
run_step(1 mvunweave ./split_side_by_side.cfg)
foreach(camera 0 1 2)
  file(SHA256 "${WORK_DIR}/cam${camera}.yuv" original)
  file(SHA256 "${WORK_DIR}/cam${camera}_unpacked.yuv" returned)
  if(NOT original STREQUAL returned)
    message(FATAL_ERROR "cam${camera}_unpacked.yuv differs from cam${camera}.yuv")
  endif()
endforeach()
message("side_by_side.y4m: 25 pictures of 1056x288, the cameras side by side; "
        "split again, every camera identical.")

run_step(1 mvweave ./merge_from_frame.cfg)
file(SIZE "${WORK_DIR}/multiview_from_frame_5.yuv" later_bytes)
math(EXPR later_frames "${later_bytes} / 152064")
message("multiview_from_frame_5.yuv: ${later_frames} frames (frames 5 to 16 of 3 cameras)")
message("\nView a sequence with any raw YUV player, e.g.:\n"
        "  ffplay -f rawvideo -pixel_format yuv420p -video_size 352x288 ${WORK_DIR}/multiview.yuv")
