// Compiled by the layering test with the engine's include paths only: it must fail, since the
// engine sits below the control interfaces and cannot see them.
#include "archive/kolzip.h"
#include "controls/controls.h"
