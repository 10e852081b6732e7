// Compiled with one library's include path: RALU_PROBE_HEADER is a header of
// a layer that library must not see (tests/layers/CMakeLists.txt).
#include RALU_PROBE_HEADER
