#pragma once
// Whether this processor and its operating system can run each x86-64
// kernel: the instructions are there and the system saves their registers.

bool Avx512VbmiUsable();
bool Avx2Usable();
