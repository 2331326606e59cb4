#pragma once

// The JPEG library's public headers, in the order they need: jpeglib.h uses
// size_t and FILE without including their headers itself.

#include <cstddef>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>
