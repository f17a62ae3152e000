# Sanitizer settings of a fuzz run (sourced). strict_memcmp=0: the web
# server library's protected-area check reads past a shorter path with
# memcmp (see scripts/test.sh).
export ASAN_OPTIONS="detect_leaks=1:strict_memcmp=0:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
FUZZ_TARGETS=(fuzz_frame_receiver fuzz_frame_fields fuzz_unit_commands fuzz_unit_replies
              fuzz_xml_documents fuzz_calibration_files fuzz_stored_files fuzz_web_requests)
