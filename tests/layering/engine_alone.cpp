// Compiled by the layering test with the engine's include paths only: it must compile, so that
// the failure of engine_including_controls.cpp is the layers' doing.
#include "archive/kolzip.h"
