#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

// Replaces each of `size` bytes at `data` by its entry in the 256-byte `table`.
using TranslateKernel = void (*)(std::uint8_t* data, std::size_t size, const std::uint8_t* table);

// The plain byte loop: the reference every faster kernel must agree with.
void TranslatePlain(std::uint8_t* data, std::size_t size, const std::uint8_t* table);

// x86-64 builds only. Each may run only where its KernelInfo says Supported.
void TranslateAvx2(std::uint8_t* data, std::size_t size, const std::uint8_t* table);
void TranslateAvx512Vbmi(std::uint8_t* data, std::size_t size, const std::uint8_t* table);

// AArch64 builds only.
void TranslateNeon(std::uint8_t* data, std::size_t size, const std::uint8_t* table);

// A kernel built into this program, and whether this processor and its
// operating system can run it.
struct KernelInfo {
    const char* Name;
    TranslateKernel Run;
    bool Supported;
};

// Every kernel built for this architecture, fastest first; the plain loop,
// always supported, comes last. Tests and benchmarks call them from here.
std::span<const KernelInfo> BuiltKernels();

// The first kernel of `kernels` marked supported; the plain loop if none is.
TranslateKernel ChooseKernel(std::span<const KernelInfo> kernels);

// The fastest kernel this processor and system can run, chosen once from
// BuiltKernels.
TranslateKernel SelectedKernel();
