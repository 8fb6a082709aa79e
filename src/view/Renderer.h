#pragma once

#include "app/MainFrame.h"

// Draws one whole frame of the scene into the current OpenGL context: the pen stroke
// in progress, the control curves with their vertices, the mesh (shaded surfaces or
// lit triangle edges) and the orientation marker in the lower left corner.
//
// Reads only the frame's fields and the model records; changes no program state.
// Every piece of fixed-function state the picture depends on (viewport, projection,
// clear colour, depth test, light, material, point size, shading) is set at the start
// from the frame's fields, so the image never depends on what an earlier frame or
// another user of the context left behind. `devicePixelRatio` scales the viewport
// and the point size from logical to physical pixels. The caller presents the image
// (swaps buffers); parts of the frame may already have been flushed to OpenGL before
// the call returns. Leaves lighting off, the model-view matrix selected and the client
// vertex-array state as it found it.
void RenderScene(const CMainFrame& frame, double devicePixelRatio = 1.0);
