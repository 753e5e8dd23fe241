#pragma once

// Resource identifiers of the program, shared by the resource script and the code.
#define IDI_APPLICATION_ICON 1
