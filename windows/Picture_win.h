#pragma once

#include <windows.h>

#include <ocidl.h>
#include <olectl.h>

#include "platform/Com_win.h"
#include "windows/Geometry.h"

// A GIF or JPEG picture from the program's resources, decoded by the system's own picture
// loader (OleLoadPicture), as any Windows since XP does without further libraries.
ComPtr<IPicture> LoadPictureResource(int resourceId);

// Draws the whole picture stretched to fill `box`.
void DrawPicture(HDC dc, IPicture& picture, const PixelRect& box);
