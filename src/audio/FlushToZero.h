#pragma once
// Flush-to-zero for the threads that render audio. A filter that rings down after the music stops
// leaves its state in subnormal floats, which the processor handles many times slower than normal
// ones: a deck playing silence would cost more than one playing music. With flush-to-zero (and
// denormals-are-zero) such values become 0, far below anything a 16-bit sample can hold.
//
// x86: MXCSR bits 15 (FTZ) and 6 (DAZ); 64-bit ARM: FPCR bit 24 (FZ); elsewhere nothing.

namespace gm {

// [any-thread] Sets or clears the mode for the calling thread's float arithmetic.
void setFlushToZero(bool on);
// [any-thread] Whether the calling thread flushes subnormal results (and inputs, where the
// processor can) to zero.
bool flushToZero();
// [audio-thread] Sets the mode the first time a thread calls it; later calls cost a thread-local
// read. For callbacks that arrive on threads the program did not create.
void ensureFlushToZeroOnThisThread();

}  // namespace gm
