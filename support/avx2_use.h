#pragma once

// Whether the text scans use AVX2 code: where the processor has it (and the system keeps its
// registers), unless a test pins them to the SSE2 code, to run that too. The scans compile such
// code only where FERNWICK_AVX2 is defined: on x86 and x64.
#if defined(__x86_64__) || defined(__i386__)
#define FERNWICK_AVX2 1
#endif

namespace tolk::stdx {

inline bool& UseAvx2() {
#if defined(FERNWICK_AVX2)
    static bool use = __builtin_cpu_supports("avx2");
#else
    static bool use = false;
#endif
    return use;
}

}  // namespace tolk::stdx
