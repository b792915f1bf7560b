#pragma once

// The vector instructions the kernels' source files may use: NOXEL_SSE2
// wherever the compiler targets SSE2 (every x86-64); NOXEL_AVX2, with
// NOXEL_TARGET_AVX2 on the functions that use it, where AVX2 code can be
// compiled beside it, chosen at run time by kernelSet().
#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define NOXEL_SSE2 1
#include <emmintrin.h>
#endif
#if defined(NOXEL_SSE2) && defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define NOXEL_AVX2 1
#include <immintrin.h>
#define NOXEL_TARGET_AVX2 __attribute__((target("avx2")))
#endif
