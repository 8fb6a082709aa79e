#include "RenderSupport.h"
