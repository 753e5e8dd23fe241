#pragma once

#include <string>
#include <vector>

#include "tests/layout/LayoutDllReader.h"

// Whether tables read back from a layout DLL are the Urdu Phonetic layout's definition.

namespace layout {

// Every way the decoded tables differ from the definition, one line each; empty when every
// character table holds the definition's keys in its order and width, every key types what
// the definition says with every combination of Shift, Ctrl and Alt, and the scan-code tables
// and key names are the keyboard's.
std::vector<std::string> DifferencesFromDefinition(const DecodedLayout& decoded);

}  // namespace layout
