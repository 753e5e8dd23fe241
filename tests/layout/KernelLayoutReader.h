#pragma once

#include <cstdint>
#include <string>

#include "tests/layout/LayoutDllReader.h"

// Reads a keyboard layout DLL file the way Windows takes a layout, which is not the way a
// program loads a DLL. user32, in whichever process loads the layout, loads the DLL, calls the
// exports at ordinals 3, 5 and 6 if there are any, calls ordinal 1 (KbdLayerDescriptor) and
// takes the address it returns less the module's base as the tables' offset, asks ordinal 2 the
// same way, and frees the DLL. win32k then reads the file: it finds the section named .data,
// requires the tables to lie in it, copies only that section and rebases every pointer in the
// copy, refusing the layout when any pointer (a table or a key name's string) leads outside it.
// A DLL that loads fine with LoadLibrary, and under Wine, can still be refused here.
//
// This reader cannot run the function (it is built for another processor than the test's), so
// it follows the descriptor's code to the address it returns: the forms the compilers make of
// "return &tables;" (i386 "mov eax, imm32; ret", whose immediate carries a base relocation;
// WOW64 the same with "xor edx, edx" for the upper half; AMD64 "lea rax, [rip+disp32]; ret";
// ARM64 "adrp x0; add x0, x0, #lo12; ret"). Windows runs any code; other code is a limit of
// this reader, reported as such.

namespace layout {

struct KernelReading {
  std::string refusal;              // why Windows refuses the layout; empty when it takes it
  std::uint64_t tablesAddress = 0;  // KBDTABLES, as an address at the image's preferred base
  DecodedLayout layout;             // the tables read from the copy of .data
};

// Reads the layout from a DLL file for `machine` (PeFile::kMachine...); pointers says how its
// tables store pointers.
KernelReading ReadLayoutAsKernel(const PeImage& file, std::uint16_t machine,
                                 PointerLayout pointers);

}  // namespace layout
