#pragma once

#include <cstdint>
#include <string>

#include "tests/layout/LayoutDllReader.h"

// Reads a keyboard layout DLL file the way Windows' kernel reads a layout, which is not the
// way a program loads a DLL: the kernel opens the file, decodes the first instruction of
// KbdLayerDescriptor to learn where KBDTABLES is, finds the section named .data, requires the
// tables to lie in it, copies only that section and rebases every pointer in the copy,
// refusing the layout when any pointer (a table or a key name's string) leads outside it. A DLL
// that loads fine with LoadLibrary, and under Wine, can still be refused here.

namespace layout {

struct KernelReading {
  std::string refusal;              // why Windows refuses the layout; empty when it takes it
  std::uint64_t tablesAddress = 0;  // KBDTABLES, as an address at the image's preferred base
  DecodedLayout layout;             // the tables read from the copy of .data
};

// Reads the layout from a DLL file; pointers says how its tables store pointers, which also
// fixes the machine and the descriptor's code the kernel expects (i386 "mov eax, imm32; ret",
// WOW64 the same with "xor edx, edx" for the upper half, AMD64 "lea rax, [rip+disp32]; ret").
KernelReading ReadLayoutAsKernel(const PeImage& file, PointerLayout pointers);

}  // namespace layout
