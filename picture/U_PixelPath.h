#pragma once

// Which instruction set the pixel passes use. The best one the processor has is taken by
// default; tests and benchmarks force a lower one so that every path runs on any machine.
enum class PixelPath { Scalar, Sse2, Avx2 };

// The path in use: the forced one, else the best available.
PixelPath ActivePixelPath();

// The best path this processor and build support.
PixelPath BestPixelPath();

// Forces a path (clamped to the best available); returns the one now in use. Not for the
// program itself: only tests and benchmarks call it, on the thread that runs the passes.
PixelPath ForcePixelPath(PixelPath path);

// Back to the best available path.
void ResetPixelPath();
