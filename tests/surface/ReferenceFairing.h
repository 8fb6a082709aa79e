#pragma once

#include "app/MainFrame.h"

// The fairing written the plain way: every pass walks the vertex and triangle lists
// and accumulates in the records' scratch fields, one division per component, and the
// normals are CMainFrame::ComputeVertexNormals, itself such a list walk. It is what
// CMainFrame::FairModel computed before its flat-array kernel, kept as the yardstick
// for the kernel's results (tests) and speed (benchmarks).
void ReferenceFairModel(CMainFrame& frame);
