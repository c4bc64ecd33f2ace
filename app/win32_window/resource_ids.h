// The ids of the program's resources (resources.rc), for the resource
// compiler and the window alike.
#pragma once

#define QV_ICON_PROGRAM 1
// The logo bitmap's resource name, as the form's definition gives it.
#define QV_BITMAP_LOGO "FD_CHECKOUT"
