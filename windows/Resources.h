#pragma once

// Resource identifiers of the program, shared by the resource script and the code.
#define IDI_APPLICATION_ICON 1

// The information windows: their icons and pictures.
#define IDI_ABOUT_PROGRAMMER_ICON 2
#define IDI_ABOUT_ICON 3
#define IDR_ABOUT_BANNER_GIF 101
#define IDR_ABOUT_PROGRAMMER_JPEG 102
