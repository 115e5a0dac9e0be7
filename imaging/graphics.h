#pragma once

// Everything the station draws with: bitmaps, their surfaces, fonts, the
// picture container and JPEG files.
#include "imaging/bitmap.h"
#include "imaging/brush.h"
#include "imaging/canvas.h"
#include "imaging/font.h"
#include "imaging/geometry.h"
#include "imaging/graphic.h"
#include "imaging/graphics_errors.h"
#include "imaging/jpeg_image.h"
#include "imaging/picture.h"
#include "imaging/screen.h"
