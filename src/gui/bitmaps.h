// The toolbar's 16 x 15 images and the program's icon, drawn in code.
#pragma once

#include <wx/bitmap.h>

wxBitmap toolbarBitmap(int command);
wxBitmap programIcon(int size);
